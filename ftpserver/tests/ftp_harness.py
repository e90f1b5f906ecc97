"""Starts FtpTestHost under Wine on a free loopback port and talks raw FTP to it."""
import os
import shutil
import socket
import subprocess
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
WINE_RUN = os.path.join(HERE, "..", "..", "scripts", "wine-run.sh")


def wine_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(predicate, timeout=20.0, step=0.05):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if predicate():
            return True
        time.sleep(step)
    return False


class Host:
    """One server process. users: list of (name, password, root, rights)."""

    def __init__(self, exe, users=(), anonymous=None, refuse=(), silent=(), limits=None, passive=None, stale=(),
                 closing=(), max_logins=None, late_close=(), listen_any=False):
        self.exe = exe
        self.work = tempfile.mkdtemp(prefix="ftpsrv-")
        self.control = os.path.join(self.work, "control")
        os.mkdir(self.control)
        options = []
        for name, password, root, rights in users:
            options += ["--user", name, password, wine_path(root), str(rights)]
        if anonymous:
            options += ["--anonymous", wine_path(anonymous)]
        for name in refuse:
            options += ["--refuse", name]
        for name in silent:
            options += ["--silent", name]
        for name in stale:
            options += ["--stale", name]
        for name in closing:
            options += ["--close", name]
        for name in late_close:
            options += ["--late-close", name]
        if listen_any:
            options += ["--listen-any"]
        for key, value in (limits or {}).items():
            options += ["--limit", key, str(value)]
        if passive:
            options += ["--passive", str(passive[0]), str(passive[1])]
        for name, count in (max_logins or {}).items():
            options += ["--max-logins", name, str(count)]
        # The port is free when asked for, but another test running beside this one may take it before
        # the host binds it; a host that ends before it is ready is started once more on another.
        for attempt in range(3):
            self.port = free_port()
            # Output to a file: Wine's helper processes would keep a pipe open after the host has gone.
            self.log = open(os.path.join(self.work, "host.log"), "wb")
            self.process = subprocess.Popen(
                [WINE_RUN, exe, "--port", str(self.port), "--control", wine_path(self.control)] + options,
                stdout=self.log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
            if not wait_for(lambda: os.path.exists(self.file("ready")) or self.process.poll() is not None, 60):
                raise RuntimeError("host did not start")
            if self.process.poll() is None:
                break
            if attempt == 2:
                raise RuntimeError("host failed: " + self.output())
            self.log.close()

    def file(self, name):
        return os.path.join(self.control, name)

    def output(self):
        self.log.flush()
        with open(os.path.join(self.work, "host.log"), "rb") as f:
            return f.read().decode(errors="replace")

    def events(self):
        try:
            with open(self.file("events.txt")) as f:
                return [line.strip() for line in f if line.strip()]
        except FileNotFoundError:
            return []

    def request(self, name, content="", answer=None, timeout=20):
        answer = answer or name + ".out"
        if os.path.exists(self.file(answer)):
            os.remove(self.file(answer))
        with open(self.file(name + ".tmp"), "w") as f:
            f.write(content)
        os.rename(self.file(name + ".tmp"), self.file(name))
        if not wait_for(lambda: os.path.exists(self.file(answer)), timeout):
            raise RuntimeError("no answer to " + name)
        with open(self.file(answer)) as f:
            return f.read()

    def counts(self):
        text = self.request("counts")
        return {k: int(v) for k, v in (line.split() for line in text.splitlines())}

    def stop(self, timeout=30):
        """Asks the host to end; returns the seconds its server took to shut down."""
        started = time.time()
        open(self.file("stop"), "w").close()
        try:
            self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            raise
        return time.time() - started

    def close(self):
        if self.process.poll() is None:
            try:
                self.stop()
            except Exception:
                pass
        self.log.close()
        shutil.rmtree(self.work, ignore_errors=True)


class OneHostCase(unittest.TestCase):
    """Tests served by one host (cls.host) over a scratch folder (cls.base); both go when the class ends."""

    @classmethod
    def tearDownClass(cls):
        cls.host.close()
        shutil.rmtree(cls.base, ignore_errors=True)

    def setUp(self):
        # Sessions of the previous test may still be ending, and the caps count them.
        self.assertTrue(wait_for(lambda: self.host.counts()["sessions"] == 0))


class Raw:
    """A control connection that sends exact bytes and reads exact reply lines."""

    def __init__(self, port, timeout=15, address="127.0.0.1"):
        self.sock = socket.create_connection((address, port), timeout=timeout)
        self.buffer = b""

    @classmethod
    def over(cls, sock):
        """A control connection over a socket the caller has set up (source address, buffer sizes)."""
        raw = cls.__new__(cls)
        raw.sock, raw.buffer = sock, b""
        return raw

    def send(self, data):
        self.sock.sendall(data if isinstance(data, bytes) else data.encode("latin-1"))

    def line(self):
        while b"\r\n" not in self.buffer:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise EOFError("closed")
            self.buffer += chunk
        line, self.buffer = self.buffer.split(b"\r\n", 1)
        return line.decode("latin-1")

    def reply(self):
        """One whole reply, multi-line replies joined by newlines."""
        first = self.line()
        lines = [first]
        if len(first) >= 4 and first[3] == "-":
            while not (lines[-1][:3] == first[:3] and lines[-1][3:4] == " "):
                lines.append(self.line())
        return "\n".join(lines)

    def cmd(self, text):
        self.send(text + "\r\n")
        return self.reply()

    def closed(self, timeout=10):
        """True when the server closes the connection without sending anything more."""
        self.sock.settimeout(timeout)
        try:
            data = self.buffer or self.sock.recv(65536)
        except (ConnectionResetError, socket.timeout):
            return False
        return data == b""

    def login(self, user, password):
        assert self.reply().startswith("220")
        assert self.cmd("USER " + user).startswith("331")
        return self.cmd("PASS " + password)

    def pasv_connect(self):
        reply = self.cmd("PASV")
        assert reply.startswith("227"), reply
        numbers = reply[reply.index("(") + 1:reply.index(")")].split(",")
        port = int(numbers[4]) * 256 + int(numbers[5])
        return socket.create_connection((".".join(numbers[:4]), port), timeout=15)

    def close(self):
        try:
            self.sock.close()
        except OSError:
            pass


def read_all(sock):
    chunks = []
    while True:
        data = sock.recv(1 << 20)
        if not data:
            break
        chunks.append(data)
    sock.close()
    return b"".join(chunks)
