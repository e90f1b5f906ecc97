"""Clients that try to hold the server's resources or steal its data: squatters, clients that never read,
data connections from the wrong address, caps on sessions, logins and passive ports, and transfers cut
short by ABOR or by the removal of their account."""
import os
import shutil
import socket
import sys
import tempfile
import time
import unittest

sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ftp_harness import Host, OneHostCase, Raw, free_port, read_all, wait_for  # noqa: E402

EXE = None
ALL = 63


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def pasv_port(reply):
    numbers = reply[reply.index("(") + 1:reply.index(")")].split(",")
    return int(numbers[4]) * 256 + int(numbers[5])


def connect_from(source, port):
    """A TCP connection to the server's loopback address from another loopback address."""
    sock = socket.socket()
    sock.settimeout(10)
    sock.bind((source, 0))
    sock.connect(("127.0.0.1", port))
    return sock


class HostileClients(OneHostCase):
    """One server with short limits; each test starts with no session left over."""

    @classmethod
    def setUpClass(cls):
        cls.base = tempfile.mkdtemp(prefix="ftpsrv-hostile-")
        cls.root = os.path.join(cls.base, "root")
        os.makedirs(cls.root)
        write(os.path.join(cls.root, "hello.txt"), b"hello world\n")
        cls.host = Host(EXE, users=[("bob", "secret", cls.root, ALL), ("one", "pw", cls.root, ALL)],
                        max_logins={"one": 1},
                        limits={"sessions": 4, "per-address": 100, "login-ms": 2000, "data-ms": 4000})

    def raw(self, user="bob", password="secret"):
        raw = Raw(self.host.port)
        self.addCleanup(raw.close)
        self.assertEqual("230 User Logged In.", raw.login(user, password))
        return raw

    def test_login_deadline_counts_from_the_accept(self):
        squatter = Raw(self.host.port)
        self.addCleanup(squatter.close)
        squatter.reply()
        started = time.time()
        replies = []
        try:
            while time.time() - started < 8:
                replies.append(squatter.cmd("NOOP"))
                time.sleep(0.3)
        except (EOFError, OSError):
            pass
        self.assertEqual("421 Timeout - closing control connection.", replies[-1])
        self.assertLess(time.time() - started, 5)
        self.assertTrue(all(r == "530 Please login with USER and PASS." for r in replies[:-1]))

    def test_passive_port_refuses_other_addresses(self):
        raw = self.raw()
        reply = raw.cmd("PASV")
        thief = connect_from("127.0.0.2", pasv_port(reply))
        raw.send("LIST\r\n")
        # The stranger is dropped while the wait for the client goes on.
        self.assertEqual(b"", read_all(thief))
        data = socket.create_connection(("127.0.0.1", pasv_port(reply)), timeout=10)
        self.assertEqual("150 Opening data connection for directory list.", raw.reply())
        self.assertIn(b"hello.txt", read_all(data))
        self.assertEqual("226 Transfer complete.", raw.reply())

    def test_port_naming_another_address(self):
        listener = socket.socket()
        listener.bind(("127.0.0.1", 0))
        listener.listen(1)
        listener.settimeout(10)
        self.addCleanup(listener.close)
        port = listener.getsockname()[1]
        # From 127.0.0.1 any address is taken, but the connection still comes back to the client.
        raw = self.raw()
        self.assertEqual("200 PORT command successful.", raw.cmd("PORT 10,1,2,3,%d,%d" % (port >> 8, port & 255)))
        raw.send("RETR hello.txt\r\n")
        conn, peer = listener.accept()
        self.assertEqual("127.0.0.1", peer[0])
        self.assertEqual(b"hello world\n", read_all(conn))
        self.assertEqual("150 Opening data connection.", raw.reply())
        self.assertEqual("226 Transfer complete.", raw.reply())
        # From any other address only the client's own address is taken.
        other = Raw.over(connect_from("127.0.0.2", self.host.port))
        self.addCleanup(other.close)
        other.login("bob", "secret")
        self.assertEqual("501 PORT address does not match originator.", other.cmd("PORT 127,0,0,1,%d,%d" % (
            port >> 8, port & 255)))
        self.assertEqual("200 PORT command successful.", other.cmd("PORT 127,0,0,2,%d,%d" % (port >> 8, port & 255)))

    def test_session_cap(self):
        kept = [Raw(self.host.port) for _ in range(4)]
        for raw in kept:
            self.addCleanup(raw.close)
            self.assertEqual("220 Pellor Ftp Server.", raw.reply())
        extra = Raw(self.host.port)
        self.addCleanup(extra.close)
        self.assertEqual("421 Too many connections.", extra.reply())
        self.assertTrue(extra.closed())
        kept[0].close()
        self.assertTrue(wait_for(lambda: self.host.counts()["sessions"] == 3))
        late = Raw(self.host.port)
        self.addCleanup(late.close)
        self.assertEqual("220 Pellor Ftp Server.", late.reply())

    def test_login_limit_of_an_account(self):
        first = self.raw("one", "pw")
        second = Raw(self.host.port)
        self.addCleanup(second.close)
        self.assertEqual("421 Too many users logged in for this account.", second.login("one", "pw"))
        self.assertEqual("530 Please login with USER and PASS.", second.cmd("NOOP"))
        self.assertEqual("200 Reinitialize Successful.", first.cmd("REIN"))
        self.assertEqual("230 User Logged In.", second.cmd("PASS pw"))
        self.assertEqual(1, self.host.counts()["one"])

    def test_abort_during_upload(self):
        raw = self.raw()
        conn = raw.pasv_connect()
        self.assertEqual("150 Opening data connection.", raw.cmd("STOR cut.bin"))
        conn.sendall(os.urandom(1 << 20))
        time.sleep(0.3)
        self.assertEqual("426 Previous command has been finished abnormally.", raw.cmd("ABOR"))
        self.assertEqual("226 ABOR command successful.", raw.reply())
        conn.close()
        self.assertEqual("200 NOOP Command Successful.", raw.cmd("NOOP"))
        # The upload made the file and did not finish: it is gone, not left half written.
        self.assertFalse(os.path.exists(os.path.join(self.root, "cut.bin")))
        self.assertEqual("550 No such file.", raw.cmd("SIZE cut.bin"))


class NoFreePassivePort(unittest.TestCase):
    def test_pasv_without_a_free_port_ends_the_session(self):
        base = tempfile.mkdtemp(prefix="ftpsrv-noport-")
        self.addCleanup(shutil.rmtree, base, True)
        taken = socket.socket()
        taken.bind(("127.0.0.1", free_port()))
        taken.listen(1)
        self.addCleanup(taken.close)
        host = Host(EXE, users=[("bob", "secret", base, ALL)], passive=(taken.getsockname()[1], 1))
        try:
            raw = Raw(host.port)
            self.assertEqual("230 User Logged In.", raw.login("bob", "secret"))
            self.assertEqual("451 Internal error - No more data port available.", raw.cmd("PASV"))
            self.assertTrue(raw.closed())
            raw.close()
        finally:
            host.close()


class StalledClientsAndShutdown(unittest.TestCase):
    """A STAT listing to a client that never reads, and an account removed in mid-transfer."""

    @classmethod
    def setUpClass(cls):
        cls.base = tempfile.mkdtemp(prefix="ftpsrv-stall-")
        cls.root = os.path.join(cls.base, "root")
        big = os.path.join(cls.root, "many")
        os.makedirs(big)
        # Long names make a listing far larger than any socket buffer on the way.
        for i in range(12000):
            open(os.path.join(big, "%05d-%s" % (i, "n" * 180)), "wb").close()
        write(os.path.join(cls.root, "big.bin"), os.urandom(32 << 20))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.base, ignore_errors=True)

    def stalled_stat(self, port):
        sock = socket.socket()
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
        sock.settimeout(15)
        sock.connect(("127.0.0.1", port))
        raw = Raw.over(sock)
        self.addCleanup(raw.close)
        self.assertEqual("230 User Logged In.", raw.login("bob", "secret"))
        # Several listings in a row: far more than the socket buffers on the way can hold.
        raw.send("STAT -la many\r\n" * 4)
        return raw

    def test_reply_nobody_reads_ends_the_session(self):
        host = Host(EXE, users=[("bob", "secret", self.root, ALL)], limits={"reply-ms": 2000})
        try:
            self.stalled_stat(host.port)
            time.sleep(1)
            self.assertEqual(1, host.counts()["sessions"])
            self.assertTrue(wait_for(lambda: host.counts()["sessions"] == 0, 10))
        finally:
            host.close()

    def test_stop_while_a_reply_is_stuck(self):
        host = Host(EXE, users=[("bob", "secret", self.root, ALL)])
        try:
            self.stalled_stat(host.port)
            time.sleep(2)
            self.assertEqual(1, host.counts()["sessions"])
            self.assertLess(host.stop(), 5)
        finally:
            host.close()

    def test_account_removed_during_a_download(self):
        host = Host(EXE, users=[("bob", "secret", self.root, ALL)])
        try:
            raw = Raw(host.port)
            self.addCleanup(raw.close)
            self.assertEqual("230 User Logged In.", raw.login("bob", "secret"))
            data = raw.pasv_connect()
            self.addCleanup(data.close)
            self.assertEqual("150 Opening data connection.", raw.cmd("RETR big.bin"))
            data.recv(65536)  # started, then never read again
            started = time.time()
            self.assertEqual("removed\n", host.request("remove", "bob\n"))
            self.assertLess(time.time() - started, 5)
            self.assertEqual("421 Service closing control connection.", raw.reply())
            self.assertTrue(raw.closed())
            counts = host.counts()
            self.assertNotIn("bob", counts)
            self.assertEqual(0, counts["sessions"])
        finally:
            host.close()


if __name__ == "__main__":
    EXE = sys.argv.pop(1)
    unittest.main(verbosity=2)
