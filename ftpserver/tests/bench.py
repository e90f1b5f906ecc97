"""Benchmark of the built-in server (under Wine) against vsftpd and pyftpdlib on loopback, with curl as client.

    BUILD_DIR=... /usr/bin/python3 bench.py path/to/FtpTestHost.exe [size-MiB [server,server... [runs]]]

Prints MB/s for RETR and STOR of one big file, seconds for 200 concurrent logins, for 200 concurrent RETRs
of a 10 MiB file and of a tiny file (the cost of a session's setup), and each figure's ratio to vsftpd.
The servers take turns within each run, so that a busy moment of a shared machine falls on all of them;
every run's figures are printed, then their medians. Nothing is asserted.

"builtin-2", only when named, runs the built-in server in two test hosts and sends every other client
to the second: the same work in two processes. Under Wine each socket call first fetches the socket's
descriptor from the Wine server, one fetch at a time per process, so the concurrent figures are bound
per process; this server shows how far."""
import os
import shutil
import statistics
import socket
import subprocess
import sys
import tempfile
import threading
import time

sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ftp_harness import Host, free_port, wait_for  # noqa: E402

CLIENTS = 200


def port_open(port):
    try:
        socket.create_connection(("127.0.0.1", port), timeout=1).close()
        return True
    except OSError:
        return False


class Vsftpd:
    def __init__(self, root, work):
        self.port = free_port()
        empty = os.path.join(work, "vsftpd-empty")
        os.makedirs(empty, exist_ok=True)
        os.chmod(root, 0o555)
        os.makedirs(os.path.join(root, "up"), exist_ok=True)
        os.chmod(os.path.join(root, "up"), 0o777)
        conf = os.path.join(work, "vsftpd.conf")
        with open(conf, "w") as f:
            f.write("\n".join([
                "listen=YES", "listen_ipv6=NO", "listen_address=127.0.0.1", "listen_port=%d" % self.port,
                "background=NO", "anonymous_enable=YES", "local_enable=NO", "write_enable=YES",
                "anon_upload_enable=YES", "anon_other_write_enable=YES", "anon_root=" + root, "no_anon_password=YES",
                "secure_chroot_dir=" + empty, "seccomp_sandbox=NO", "max_clients=0", "max_per_ip=0",
                "pasv_min_port=30000", "pasv_max_port=30999", "xferlog_enable=NO", "use_localtime=NO",
                "ftp_username=ftp", "anon_umask=022", ""]))
        self.process = subprocess.Popen(["/usr/sbin/vsftpd", conf], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for(lambda: port_open(self.port), 10)
        self.user, self.password, self.upload_dir = "anonymous", "x", "up/"

    def close(self):
        self.process.kill()
        self.process.wait()


class Pyftpd:
    def __init__(self, root):
        self.port = free_port()
        self.process = subprocess.Popen(["/usr/bin/python3", "-m", "pyftpdlib", "-i", "127.0.0.1", "-p", str(self.port),
                                         "-w", "-d", root, "-r", "31000-31999"],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for(lambda: port_open(self.port), 10)
        self.user, self.password, self.upload_dir = "anonymous", "x", "up/"

    def close(self):
        self.process.kill()
        self.process.wait()


class Builtin:
    def __init__(self, exe, root):
        # On every address, as the control listens: each session then asks its connection for the
        # address that PASV answers with.
        self.host = Host(exe, users=[("bob", "secret", root, 63)],
                         limits={"sessions": 1000, "per-address": 1000}, listen_any=True)
        self.port = self.host.port
        self.user, self.password, self.upload_dir = "bob", "secret", "up/"

    def close(self):
        self.host.close()


class BuiltinPair:
    def __init__(self, exe, root):
        self.pair = [Builtin(exe, root), Builtin(exe, root)]
        self.ports = [b.port for b in self.pair]
        self.port = self.ports[0]
        self.user, self.password, self.upload_dir = "bob", "secret", "up/"

    def close(self):
        for b in self.pair:
            b.close()


def ports(server):
    """The ports the concurrent clients take turns on."""
    return getattr(server, "ports", [server.port])


def curl_speed(server, args, key):
    url = "ftp://%s:%s@127.0.0.1:%d/" % (server.user, server.password, server.port)
    best = 0.0
    for _ in range(2):
        out = subprocess.run(["curl", "-sS", "-w", "%{" + key + "}"] + args(url), stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, timeout=600)
        if out.returncode == 0:
            best = max(best, float(out.stdout.decode().strip() or 0) / 1e6)
    return best


def logins(server):
    ready = threading.Barrier(CLIENTS + 1)
    done = []
    socks = []
    lock = threading.Lock()

    def one(index):
        ready.wait()
        # Arrivals 1 ms apart, as curl's 200 starts come: all at one instant overflow vsftpd's listen
        # queue of 32, whose dropped connections then wait a minute for the client's time-out.
        time.sleep(index * 0.001)
        try:
            port = ports(server)[index % len(ports(server))]
            s = socket.create_connection(("127.0.0.1", port), timeout=60)
            f = s.makefile("rb")

            def reply():
                line = f.readline()
                while line[3:4] == b"-":
                    line = f.readline()
                return line
            reply()
            s.sendall(("USER %s\r\n" % server.user).encode())
            r = reply()
            if r.startswith(b"331"):
                s.sendall(("PASS %s\r\n" % server.password).encode())
                r = reply()
            with lock:
                socks.append(s)
                if r.startswith(b"230"):
                    done.append(1)
        except OSError:
            pass

    threads = [threading.Thread(target=one, args=(i,)) for i in range(CLIENTS)]
    for t in threads:
        t.start()
    ready.wait()
    started = time.time()
    for t in threads:
        t.join()
    elapsed = time.time() - started
    for s in socks:
        s.close()
    return elapsed, len(done)


def parallel_retr(server, name):
    urls = ["ftp://%s:%s@127.0.0.1:%d/%s" % (server.user, server.password, port, name) for port in ports(server)]
    started = time.time()
    procs = [subprocess.Popen(["curl", "-sS", "-o", "/dev/null", urls[i % len(urls)]], stderr=subprocess.DEVNULL)
             for i in range(CLIENTS)]
    ok = sum(1 for p in procs if p.wait() == 0)
    return time.time() - started, ok


FIGURES = ("RETR MB/s", "STOR MB/s", "200 logins s", "200x10MiB RETR s", "200xtiny RETR s")


def measure(server, name):
    retr = curl_speed(server, lambda url: ["-o", "/dev/null", url + "big.bin"], "speed_download")
    stor = curl_speed(server, lambda url: ["-T", server.big, url + server.upload_dir + name + ".bin"],
                      "speed_upload")
    login_s, login_ok = logins(server)
    par_s, par_ok = parallel_retr(server, "ten.bin")
    tiny_s, tiny_ok = parallel_retr(server, "tiny.bin")
    failures = CLIENTS * 3 - login_ok - par_ok - tiny_ok
    return (retr, stor, login_s, par_s, tiny_s), failures


def main():
    exe = sys.argv[1]
    size_mib = int(sys.argv[2]) if len(sys.argv) > 2 else 256
    only = sys.argv[3].split(",") if len(sys.argv) > 3 and sys.argv[3] else None
    runs = int(sys.argv[4]) if len(sys.argv) > 4 else 3
    work = tempfile.mkdtemp(prefix="ftpsrv-bench-")
    root = os.path.join(work, "root")
    os.makedirs(os.path.join(root, "up"))
    big = os.path.join(root, "big.bin")
    with open(big, "wb") as f:
        block = os.urandom(1 << 20)
        for _ in range(size_mib):
            f.write(block)
    with open(os.path.join(root, "ten.bin"), "wb") as f:
        f.write(os.urandom(10 << 20))
    with open(os.path.join(root, "tiny.bin"), "wb") as f:
        f.write(b"tiny\n")
    results = {}  # server name -> list of per-run figure tuples
    makers = [("vsftpd", lambda: Vsftpd(root, work)), ("pyftpdlib", lambda: Pyftpd(root)),
              ("builtin", lambda: Builtin(exe, root)), ("builtin-2", lambda: BuiltinPair(exe, root))]
    print("%d MiB file, %d clients, loopback, curl as client, %d runs" % (size_mib, CLIENTS, runs))
    print("%-10s %4s %10s %10s %13s %17s %16s %9s" % (("server", "run") + FIGURES + ("failures",)))
    try:
        for run in range(runs):
            for name, make in makers:
                if (only and name not in only) or (not only and name == "builtin-2"):
                    continue
                server = make()
                server.big = big
                try:
                    figures, failures = measure(server, name)
                finally:
                    server.close()
                    os.chmod(root, 0o755)
                    for leftover in os.listdir(os.path.join(root, "up")):
                        os.remove(os.path.join(root, "up", leftover))
                results.setdefault(name, []).append(figures)
                print("%-10s %4d %10.1f %10.1f %13.2f %17.2f %16.2f %9d" % ((name, run + 1) + figures + (failures,)))
                sys.stdout.flush()
    finally:
        os.chmod(root, 0o755)
        shutil.rmtree(work, ignore_errors=True)

    medians = {name: tuple(statistics.median(run[i] for run in runs_) for i in range(len(FIGURES)))
               for name, runs_ in results.items()}
    print("medians")
    for name, figures in medians.items():
        print("%-10s %4s %10.1f %10.1f %13.2f %17.2f %16.2f" % ((name, "") + figures))
    base = medians.get("vsftpd")
    if base:
        print("ratios of medians to vsftpd (throughput: higher is better; seconds: lower is better)")
        for name, figures in medians.items():
            print("%-10s RETR x%.2f  STOR x%.2f  logins x%.2f  parallel RETR x%.2f  parallel tiny RETR x%.2f" % (
                (name,) + tuple(f / b if b else 0 for f, b in zip(figures, base))))


if __name__ == "__main__":
    main()
