"""Control-connection behaviour of the built-in server under Wine: replies, login counting and the host's
login answer, line limits, PORT, limits and time-outs, the root that cannot be left, and shutdown."""
import os
import shutil
import socket
import sys
import tempfile
import threading
import time
import unittest

sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ftp_harness import Host, OneHostCase, Raw, read_all, wait_for  # noqa: E402

EXE = None
ALL = 63


def make_tree(base):
    """root/ with a file, a folder and a dot file; a secret next to the root that must stay out of reach."""
    root = os.path.join(base, "root")
    os.makedirs(os.path.join(root, "sub"))
    with open(os.path.join(root, "hello.txt"), "wb") as f:
        f.write(b"hello world\n")
    with open(os.path.join(root, "sub", "inner.txt"), "wb") as f:
        f.write(b"inner")
    with open(os.path.join(base, "secret.txt"), "wb") as f:
        f.write(b"outside the root")
    return root


class CommandReplies(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.base = tempfile.mkdtemp(prefix="ftpsrv-tree-")
        cls.root = make_tree(cls.base)
        cls.host = Host(EXE, users=[("bob", "secret", cls.root, ALL), ("alice", "pw", cls.root, ALL),
                                    ("reader", "pw", cls.root, 1 | 8), ("eve", "pw", cls.root, ALL),
                                    ("nobody", "pw", cls.root, 0)],
                        refuse=["eve"], anonymous=cls.root)

    @classmethod
    def tearDownClass(cls):
        cls.host.close()
        shutil.rmtree(cls.base, ignore_errors=True)

    def session(self, user="bob", password="secret"):
        raw = Raw(self.host.port)
        self.assertEqual("230 User Logged In.", raw.login(user, password))
        self.addCleanup(raw.close)
        return raw

    def test_greeting_and_commands_before_login(self):
        raw = Raw(self.host.port)
        self.addCleanup(raw.close)
        self.assertEqual("220 Pellor Ftp Server.", raw.reply())
        for verb in ("FEAT", "SYST", "PWD", "BOGUS", "LIST"):
            self.assertEqual("530 Please login with USER and PASS.", raw.cmd(verb))
        self.assertEqual("501 Invalid number of arguments.", raw.cmd("USER"))
        self.assertEqual("331 Password required for this user.", raw.cmd("USER Bob"))
        self.assertEqual("530 Please login with valid USER and PASS.", raw.cmd("PASS secret"))
        self.assertEqual("331 Password required for this user.", raw.cmd("user bob"))
        self.assertEqual("501 Invalid number of arguments.", raw.cmd("PASS"))
        self.assertEqual("230 User Logged In.", raw.cmd("PASS secret"))
        self.assertEqual("221 Goodbye.", raw.cmd("QUIT"))
        self.assertTrue(raw.closed())

    def test_reply_table(self):
        raw = self.session()
        table = [
            ("NOOP", "200 NOOP Command Successful."), ("ALLO 10", "200 NOOP Command Successful."),
            ("HELP", "500 No Help Available."), ("SYST", "215 UNIX Type: L8"),
            ("STRU F", "200 STRU Command Successful."), ("STRU R", "504 STRU failled. Parametre not implemented"),
            ("STRU", "501 Invalid number of arguments."), ("MODE S", "200 Mode set to S."),
            ("MODE C", "502 MODE non-implemented."), ("MODE x", '504 "x": Unsupported transfer MODE.'),
            ("MODE", "501 Invalid number of arguments."), ("TYPE A", "200 ASCII transfer mode active."),
            ("TYPE I", "200 Binary transfer mode active."), ("TYPE i", "550 Error - unknown binary mode."),
            ("TYPE", "501 Invalid number of arguments."),
            ("FEAT", "211-Features:\n MDTM\n SIZE\n211 End"),
            ("PWD", '257 "/" is current directory.'), ("XPWD", '257 "/" is current directory.'),
            ("EPSV", "500 Command not understood."), ("noop", "200 NOOP Command Successful."),
            ("ABOR", "226 ABOR command successful."), ("REST 100", "350 REST command successful."),
            ("REST -5", "501 Syntax error in arguments."), ("REST", "501 Syntax error in arguments."),
            ("REST x", "350 REST command successful."),
            ("SIZE hello.txt", "213 12"), ("SIZE sub", "213 0"), ("SIZE none.txt", "550 No such file."),
            ("SIZE", "501 Syntax error in arguments."), ("MDTM none", "550 No such file or directory."),
            ("CWD", "501 Invalid number of arguments."), ("CWD hello.txt", "550 No such file or directory."),
            ("CWD sub", "250 CWD command successful."), ("PWD", '257 "/sub" is current directory.'),
            ("CDUP", "250 CDUP command successful."), ("PWD", '257 "/" is current directory.'),
            ("CDUP", "250 CDUP command successful."), ("PWD", '257 "/" is current directory.'),
            ("XCWD /sub", "250 CWD command successful."), ("XCUP", "250 CDUP command successful."),
            ("MKD newdir", "250 MKD command successful."), ("MKD newdir", "550 File Already Exists."),
            ("XRMD newdir", "250 Directory deleted successfully."), ("RMD newdir", "550 Directory not found."),
            ("RMD", "501 Syntax error in arguments."), ("DELE none", "550 No such file."),
            ("DELE sub", "550 Can' t Remove or Access Error."),
            ("RNTO x", "503 Bad sequence of commands"), ("RNFR none", "550 No such file or directory."),
            ("RNFR hello.txt", "350 File or directory exists, ready for destination name."),
            ("RNTO moved.txt", "250 Rename successful."), ("RNTO again.txt", "503 Bad sequence of commands"),
            ("RNFR moved.txt", "350 File or directory exists, ready for destination name."),
            ("RNTO hello.txt", "250 Rename successful."),
            ("RETR", "501 Syntax error in arguments."), ("STOR", "501 Syntax error in arguments."),
            ("RETR hello.txt", "425 Can't open data connection."), ("LIST", "425 Can't open data connection."),
            ("STAT", "211 :: Quendal / Pellor FTP Server:: Ask the administrator of this host for help."),
        ]
        for command, expected in table:
            self.assertEqual(expected, raw.cmd(command), command)
        self.assertRegex(raw.cmd("MDTM hello.txt"), r"^213 \d{14}$")

    def test_mdtm_is_utc(self):
        path = os.path.join(self.root, "dated.txt")
        open(path, "w").close()
        os.utime(path, (1700000000, 1700000000))
        raw = self.session()
        self.assertEqual("213 20231114221320", raw.cmd("MDTM dated.txt"))

    def test_rights_are_checked_first(self):
        raw = self.session("nobody", "pw")
        for command in ("RETR x", "STOR x", "APPE x", "STOU", "DELE x", "RNFR x", "MKD x", "RMD x", "LIST", "NLST",
                        "STAT x"):
            self.assertEqual("550 Permission denied.", raw.cmd(command), command)
        self.assertEqual("213 12", raw.cmd("SIZE hello.txt"))
        reader = self.session("reader", "pw")
        self.assertEqual("550 Permission denied.", reader.cmd("DELE hello.txt"))

    def test_anonymous_login_reads_and_lists_only(self):
        raw = Raw(self.host.port)
        self.addCleanup(raw.close)
        raw.reply()
        self.assertEqual("230 User Logged In.", raw.cmd("USER AnonYmous"))
        self.assertEqual("230 User Logged In.", raw.cmd("PASS whatever"))
        self.assertEqual("550 Permission denied.", raw.cmd("MKD x"))
        self.assertEqual("213 12", raw.cmd("SIZE hello.txt"))
        raw.cmd("QUIT")
        self.assertTrue(wait_for(lambda: "disconnected anonymous 127.0.0.1" in self.host.events()))
        self.assertIn("connected Anonymous 127.0.0.1", self.host.events())

    def test_pipelined_and_odd_line_endings(self):
        raw = Raw(self.host.port)
        self.addCleanup(raw.close)
        raw.login("bob", "secret")
        raw.send("NOOP\r\nSYST\r\n")
        self.assertEqual("200 NOOP Command Successful.", raw.reply())
        self.assertEqual("215 UNIX Type: L8", raw.reply())
        raw.send("NOOP\n")
        self.assertEqual("200 NOOP Command Successful.", raw.reply())
        raw.send("NOOP\nNOOP\r\n")
        self.assertEqual("500 Command not understood.", raw.reply())
        raw.send("\xff\xf4\xff\xf2NOOP\r\n")  # Telnet IP and DM before the verb
        self.assertEqual("200 NOOP Command Successful.", raw.reply())
        raw.send("NOOP " + "x" * 269 + "\r\n")  # 274 characters
        self.assertEqual("200 NOOP Command Successful.", raw.reply())
        raw.send("NOOP " + "x" * 270 + "\r\n")  # 275 characters: the session ends without a reply
        self.assertTrue(raw.closed())

    def test_port_arguments(self):
        raw = self.session()
        syntax = "501 Syntax error in arguments."
        ok = "200 PORT command successful."
        cases = [
            ("PORT", syntax), ("PORT 0,0,0,0,4,1", syntax), ("PORT 10,0,0,5,0,0", syntax),
            ("PORT 10,0,0,256,4,1", syntax), ("PORT 1,2,3", syntax), ("PORT a,b,c,d,e,f", syntax),
            ("PORT 127,0,0,1,-4,1", syntax), ("PORT 127,0,0,1,12,", syntax),
            ("PORT 127,0,0,1,0,21", "501 Port below 1024 not allowed."),
            ("PORT 127,0,0,1,0,21 junk", "501 Port below 1024 not allowed."),
            # Text after the sixth number is not looked at.
            ("PORT 127,0,0,1,12,200 junk", ok), ("PORT 127,0,0,1,12,200,7", ok), ("PORT 127,0,0,1,4,1,x", ok),
            # From 127.0.0.1 any host part is taken, but the connection still goes to 127.0.0.1.
            ("PORT 10,0,0,5,39,16", ok),
        ]
        for command, reply in cases:
            self.assertEqual(reply, raw.cmd(command), command)
        listener = socket.socket()
        listener.bind(("127.0.0.1", 0))
        listener.listen(1)
        port = listener.getsockname()[1]
        self.assertEqual("200 PORT command successful.", raw.cmd("PORT 10,9,8,7,%d,%d,7" % (port // 256, port % 256)))
        raw.send("RETR hello.txt\r\n")
        listener.settimeout(15)
        data_sock, peer = listener.accept()
        self.assertEqual("127.0.0.1", peer[0])
        self.assertEqual("150 Opening data connection.", raw.reply())
        self.assertEqual(b"hello world\n", read_all(data_sock))
        self.assertEqual("226 Transfer complete.", raw.reply())
        listener.close()

    def test_pasv_answers_with_the_control_address(self):
        raw = self.session()
        reply = raw.cmd("PASV")
        self.assertRegex(reply, r"^227 Entering Passive Mode \(127,0,0,1,\d+,\d+\)\.$")
        numbers = [int(n) for n in reply[reply.index("(") + 1:reply.index(")")].split(",")]
        self.assertTrue(10000 <= numbers[4] * 256 + numbers[5] < 11000)

    def test_login_counting(self):
        a = self.session("alice", "pw")
        b = self.session("alice", "pw")
        self.assertEqual(2, self.host.counts()["alice"])
        self.assertEqual("331 Password required for this user.", a.cmd("USER bob"))
        self.assertEqual(1, self.host.counts()["alice"])
        self.assertEqual("530 Please login with USER and PASS.", a.cmd("DELE x"))
        self.assertEqual("200 Reinitialize Successful.", b.cmd("REIN"))
        self.assertEqual(0, self.host.counts()["alice"])
        self.assertEqual("530 Please login with USER and PASS.", b.cmd("PWD"))
        self.assertEqual("230 User Logged In.", b.cmd("USER alice") and b.cmd("PASS pw"))
        self.assertEqual(1, self.host.counts()["alice"])
        b.close()
        self.assertTrue(wait_for(lambda: self.host.counts()["alice"] == 0))

    def test_host_refusal_ends_the_session_without_reply(self):
        raw = Raw(self.host.port)
        self.addCleanup(raw.close)
        raw.reply()
        raw.cmd("USER eve")
        raw.send("PASS pw\r\n")
        self.assertTrue(raw.closed())
        self.assertTrue(wait_for(lambda: "disconnected eve 127.0.0.1" in self.host.events()))
        self.assertIn("connected eve 127.0.0.1", self.host.events())
        self.assertEqual(0, self.host.counts()["eve"])

    def test_connect_and_disconnect_events(self):
        raw = self.session("bob", "secret")
        self.assertTrue(wait_for(lambda: "connected bob 127.0.0.1" in self.host.events()))
        raw.cmd("QUIT")
        self.assertTrue(wait_for(lambda: "disconnected bob 127.0.0.1" in self.host.events()))

    def test_no_way_out_of_the_root(self):
        raw = self.session()
        for _ in range(5):
            self.assertEqual("250 CWD command successful.", raw.cmd("CWD .."))
        self.assertEqual('257 "/" is current directory.', raw.cmd("PWD"))
        for argument in ("../secret.txt", "../../secret.txt", "/../secret.txt", "..\\secret.txt", "\\..\\secret.txt",
                         "sub/../../secret.txt", "Z:\\etc\\passwd", "Z:/etc/passwd", "/etc/passwd", "nul", "NUL.txt",
                         "hello.txt:stream", "hello.txt.", "hello.txt ", "...", "con"):
            self.assertEqual("550 No such file.", raw.cmd("SIZE " + argument), argument)
        for argument in ("..", "/..", "../..", "..\\..", "Z:\\", "C:", "c:\\windows", "..."):
            reply = raw.cmd("CWD " + argument)
            pwd = raw.cmd("PWD")
            self.assertEqual('257 "/" is current directory.', pwd, argument + " " + reply)
        for argument in ("a:b", "trail.", "aux", "sp ", "x*y", "..\\..\\escape"):
            reply = raw.cmd("MKD " + argument)
            self.assertIn(reply, ("550 File Already Exists.", "250 MKD command successful."), argument)
        self.assertFalse(os.path.exists(os.path.join(self.base, "escape")))
        self.assertEqual("550 Permission denied.", raw.cmd("RMD ."))
        self.assertEqual("550 Permission denied.", raw.cmd("RMD /"))
        self.assertEqual("550 Permission denied.", raw.cmd("DELE /"))
        self.assertEqual("550 Permission denied.", raw.cmd("RNFR /"))
        self.assertEqual("550 Directory not found.", raw.cmd("RMD ../root"))
        self.assertTrue(os.path.isdir(self.root))
        self.assertEqual("250 Directory deleted successfully.", raw.cmd("RMD escape"))  # made inside the root

    def test_removed_account_loses_its_sessions(self):
        other = tempfile.mkdtemp(prefix="ftpsrv-gone-")
        self.addCleanup(shutil.rmtree, other, True)
        host = Host(EXE, users=[("gone", "pw", other, ALL), ("stay", "pw", other, ALL)])
        try:
            logged = Raw(host.port)
            self.assertEqual("230 User Logged In.", logged.login("gone", "pw"))
            named = Raw(host.port)
            named.reply()
            named.cmd("USER gone")
            self.assertEqual("removed\n", host.request("remove", "gone\n"))
            self.assertEqual("421 Service closing control connection.", logged.reply())
            self.assertTrue(logged.closed())
            self.assertEqual("530 Please login with valid USER and PASS.", named.cmd("PASS pw"))
            self.assertNotIn("gone", host.counts())
            named.close()
            logged.close()
        finally:
            host.close()


class LimitsAndTimeouts(OneHostCase):
    @classmethod
    def setUpClass(cls):
        cls.base = tempfile.mkdtemp(prefix="ftpsrv-limits-")
        cls.root = make_tree(cls.base)
        cls.host = Host(EXE, users=[("bob", "secret", cls.root, ALL), ("quiet", "pw", cls.root, ALL),
                                    ("stale", "pw", cls.root, ALL), ("closed", "pw", cls.root, ALL)],
                        silent=["quiet"], stale=["stale"], closing=["closed"],
                        limits={"per-address": 3, "login-ms": 1500, "idle-ms": 2500, "answer-ms": 1500,
                                "failed-logins": 3})

    def test_per_address_cap(self):
        kept = [Raw(self.host.port) for _ in range(3)]
        for raw in kept:
            self.assertEqual("220 Pellor Ftp Server.", raw.reply())
        extra = Raw(self.host.port)
        self.assertEqual("421 Too many connections.", extra.reply())
        self.assertTrue(extra.closed())
        for raw in kept:
            raw.close()
        extra.close()

    def test_login_and_idle_timeouts(self):
        waiting = Raw(self.host.port)
        waiting.reply()
        started = time.time()
        self.assertEqual("421 Timeout - closing control connection.", waiting.reply())
        self.assertLess(time.time() - started, 10)
        waiting.close()
        idle = Raw(self.host.port)
        self.assertEqual("230 User Logged In.", idle.login("bob", "secret"))
        self.assertEqual("421 Timeout - closing control connection.", idle.reply())
        idle.close()

    def test_failed_passwords_end_the_connection(self):
        raw = Raw(self.host.port)
        raw.reply()
        raw.cmd("USER bob")
        self.assertEqual("530 Please login with valid USER and PASS.", raw.cmd("PASS a"))
        self.assertEqual("530 Please login with valid USER and PASS.", raw.cmd("PASS b"))
        self.assertEqual("421 Too many failed logins.", raw.cmd("PASS c"))
        self.assertTrue(raw.closed())
        raw.close()

    def test_unanswered_login_is_refused(self):
        raw = Raw(self.host.port)
        raw.reply()
        raw.cmd("USER quiet")
        self.assertEqual("421 Login not confirmed.", raw.cmd("PASS pw"))
        self.assertTrue(raw.closed())
        raw.close()
        self.assertTrue(wait_for(lambda: self.host.counts().get("quiet") == 0))

    def test_only_the_matching_answer_counts(self):
        stale = Raw(self.host.port)
        stale.reply()
        stale.cmd("USER stale")
        stale.send("PASS pw\r\n")
        self.assertTrue(stale.closed())  # the earlier "accept" belonged to no exchange; the refusal stands
        stale.close()
        woken = Raw(self.host.port)
        woken.reply()
        woken.cmd("USER closed")
        self.assertEqual("421 Login not confirmed.", woken.cmd("PASS pw"))
        woken.close()


class OneSessionHost(unittest.TestCase):
    """A fresh host per test over a scratch tree, for what depends on the server's own threads."""

    def start(self, **options):
        self.base = tempfile.mkdtemp(prefix="ftpsrv-own-")
        self.root = make_tree(self.base)
        self.host = Host(EXE, users=[("bob", "secret", self.root, ALL), ("late", "pw", self.root, ALL)], **options)
        self.addCleanup(shutil.rmtree, self.base, True)
        self.addCleanup(self.host.close)


class ServerThreadsAndAddresses(OneSessionHost):
    def test_a_message_for_an_abandoned_login_does_not_end_the_next_one(self):
        # The first session gives up waiting for the host's answer; the host's WM_CLOSE for it comes only
        # with the next login, which must not be the one it ends.
        self.start(late_close=["late"], limits={"answer-ms": 800})
        first = Raw(self.host.port)
        self.assertEqual("421 Login not confirmed.", first.login("late", "pw"))
        first.close()
        self.assertTrue(wait_for(lambda: self.host.counts()["sessions"] == 0))
        second = Raw(self.host.port)
        self.assertEqual("230 User Logged In.", second.login("bob", "secret"))
        second.close()

    def test_on_every_address_pasv_answers_with_the_address_the_client_reached(self):
        self.start(listen_any=True)
        for address, numbers in (("127.0.0.1", "127,0,0,1"), ("127.0.0.2", "127,0,0,2")):
            with self.subTest(address=address):
                raw = Raw(self.host.port, address=address)
                self.assertEqual("230 User Logged In.", raw.login("bob", "secret"))
                data_sock = raw.pasv_connect()
                self.assertEqual(address, data_sock.getpeername()[0])
                raw.send("RETR hello.txt\r\n")
                self.assertTrue(raw.reply().startswith("150"))
                self.assertEqual(b"hello world\n", read_all(data_sock))
                self.assertEqual("226 Transfer complete.", raw.reply())
                raw.close()


class BackToBackTransfers(OneSessionHost):
    def test_next_command_right_after_the_final_reply_is_served(self):
        # Many sessions at once, each sending REST, PASV and RETR the moment the previous 226 arrives: the
        # session must already be idle, under load too, when that reply reaches the client.
        self.start()
        failures = []

        def client():
            raw = Raw(self.host.port)
            try:
                if raw.login("bob", "secret") != "230 User Logged In.":
                    failures.append("login refused")
                    return
                for _ in range(200):
                    rest = raw.cmd("REST 0")
                    data = raw.pasv_connect()  # a refused PASV raises, with the reply
                    retr = raw.cmd("RETR hello.txt")
                    if (rest, retr) != ("350 REST command successful.", "150 Opening data connection."):
                        failures.append((rest, retr))
                        data.close()
                        return
                    body, final = read_all(data), raw.reply()
                    if (body, final) != (b"hello world\n", "226 Transfer complete."):
                        failures.append((body, final))
                        return
            except (AssertionError, OSError, EOFError) as error:
                failures.append(repr(error))
            finally:
                raw.close()

        threads = [threading.Thread(target=client) for _ in range(30)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        self.assertEqual([], failures)


class Shutdown(unittest.TestCase):
    def test_stop_joins_sessions_in_every_wait(self):
        base = tempfile.mkdtemp(prefix="ftpsrv-stop-")
        self.addCleanup(shutil.rmtree, base, True)
        root = make_tree(base)
        with open(os.path.join(root, "big.bin"), "wb") as f:
            f.write(os.urandom(8 << 20))
        host = Host(EXE, users=[("bob", "secret", root, ALL), ("quiet", "pw", root, ALL)], silent=["quiet"])
        try:
            idle = Raw(host.port)
            idle.login("bob", "secret")
            waiting = Raw(host.port)  # in the login exchange, never answered
            waiting.reply()
            waiting.cmd("USER quiet")
            waiting.send("PASS pw\r\n")
            passive = Raw(host.port)  # waiting for a passive data connection that never comes
            passive.login("bob", "secret")
            passive.cmd("PASV")
            passive.send("RETR big.bin\r\n")
            stalled = Raw(host.port)  # a download whose client does not read
            stalled.login("bob", "secret")
            data = stalled.pasv_connect()
            stalled.send("RETR big.bin\r\n")
            self.assertEqual("150 Opening data connection.", stalled.reply())
            time.sleep(0.5)
            self.assertLess(host.stop(), 10)
            self.assertTrue(os.path.exists(host.file("stopped")))
            for raw in (idle, waiting, passive, stalled):
                raw.close()
            data.close()
        finally:
            host.close()

    def test_sessions_dropped_by_the_server_keep_their_partial_uploads(self):
        # (command, name, content before, bytes sent, what the file holds after the drop)
        uploads = [("STOR", "new.bin", None, b"n" * 3000, b"n" * 3000),
                   ("STOR", "old.bin", b"o" * 9000, b"r" * 3000, b"r" * 3000),
                   ("APPE", "grown.bin", b"a" * 500, b"g" * 3000, b"a" * 500 + b"g" * 3000)]
        drops = {"stop": lambda host: host.stop(), "remove": lambda host: host.request("remove", "bob\n")}
        for how, drop in drops.items():
            with self.subTest(drop=how):
                base = tempfile.mkdtemp(prefix="ftpsrv-drop-")
                self.addCleanup(shutil.rmtree, base, True)
                root = make_tree(base)
                host = Host(EXE, users=[("bob", "secret", root, ALL)])
                try:
                    clients = []
                    for command, name, before, sent, _ in uploads:
                        if before is not None:
                            with open(os.path.join(root, name), "wb") as f:
                                f.write(before)
                        raw = Raw(host.port)
                        raw.login("bob", "secret")
                        data = raw.pasv_connect()
                        self.assertEqual("150 Opening data connection.", raw.cmd(command + " " + name))
                        data.sendall(sent)  # and the upload goes on, unfinished
                        clients.append((raw, data))
                    for _, name, _, _, after in uploads:
                        path = os.path.join(root, name)
                        self.assertTrue(wait_for(lambda: os.path.getsize(path) == len(after)), name)
                    drop(host)
                    for raw, data in clients:
                        raw.sock.settimeout(15)
                        self.assertNotIn("550", read_all(raw.sock).decode("latin-1"))  # no final reply
                        data.close()
                    for _, name, _, _, after in uploads:
                        with open(os.path.join(root, name), "rb") as f:
                            self.assertEqual(after, f.read(), name)
                finally:
                    host.close()

    def test_closed_port_keeps_running_sessions(self):
        base = tempfile.mkdtemp(prefix="ftpsrv-close-")
        self.addCleanup(shutil.rmtree, base, True)
        host = Host(EXE, users=[("bob", "secret", make_tree(base), ALL)])
        try:
            a = Raw(host.port)
            a.login("bob", "secret")
            b = Raw(host.port)
            b.login("bob", "secret")
            self.assertEqual("closed\n", host.request("closeport"))
            self.assertEqual("200 NOOP Command Successful.", a.cmd("NOOP"))
            self.assertEqual("200 NOOP Command Successful.", b.cmd("NOOP"))
            with self.assertRaises(OSError):
                socket.create_connection(("127.0.0.1", host.port), timeout=5).recv(1)
            a.close()
            b.close()
        finally:
            host.close()


if __name__ == "__main__":
    EXE = sys.argv.pop(1)
    unittest.main(verbosity=2)
