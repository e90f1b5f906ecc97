"""Scripted FTP servers and SOCKS4 proxies for the engine tests, where the exact bytes matter.

Each server listens on its own loopback port and runs one scenario per accepted connection, in a
thread. The session's behaviour is chosen by the name given to USER, so one server covers many
cases; HIST answers with the commands the session has received so far, LAST with those of the
session before it, so a test can see exactly what the control sent.
"""
import re
import socket
import threading
import time


def listen_socket():
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(('127.0.0.1', 0))
    s.listen(16)
    return s


class Session:
    def __init__(self, conn, server):
        self.conn = conn
        self.server = server
        self.pending = b''
        self.history = []

    def send(self, *chunks, pause=0.3):
        for i, chunk in enumerate(chunks):
            if i:
                time.sleep(pause)
            self.conn.sendall(chunk)

    def read_exact(self, n):
        while len(self.pending) < n:
            more = self.conn.recv(65536)
            if not more:
                return None
            self.pending += more
        data, self.pending = self.pending[:n], self.pending[n:]
        return data

    def read_until(self, terminator):
        while terminator not in self.pending:
            more = self.conn.recv(65536)
            if not more:
                return None
            self.pending += more
        i = self.pending.index(terminator) + len(terminator)
        data, self.pending = self.pending[:i], self.pending[i:]
        return data

    def readline(self):
        line = self.read_until(b'\n')
        if line is not None:
            self.history.append(line)
        return line


class FakeServer:
    def __init__(self, scenario, **options):
        self.scenario = scenario
        self.options = options
        self.sock = listen_socket()
        self.port = self.sock.getsockname()[1]
        self.last_history = []
        threading.Thread(target=self._accept, daemon=True).start()

    def _accept(self):
        while True:
            conn, _ = self.sock.accept()
            threading.Thread(target=self._run, args=(conn,), daemon=True).start()

    def _run(self, conn):
        session = Session(conn, self)
        try:
            self.scenario(session, **self.options)
        except OSError:
            pass
        finally:
            self.last_history = session.history
            try:
                conn.close()
            except OSError:
                pass


def hexline(data):
    return data.hex().encode()


LONG_REPLY = b'211 ' + b'x' * 296 + b'299 tail of the long line' + b'y' * 25 + b'\r\n'


def ftp_session(s, greeting=(b'220 fake ready\r\n',), greeting_pause=0.3):
    """A small FTP dialogue whose answers depend on the user name."""
    if greeting:
        s.send(*greeting, pause=greeting_pause)
    user = b''
    while True:
        line = s.readline()
        if line is None:
            return
        verb, _, arg = line.rstrip(b'\r\n').partition(b' ')
        verb = verb.upper()
        if verb == b'USER':
            user = arg
            if user == b'split':
                s.send(b'331 pa', b'ss\r\n')
            elif user in (b'u230', b'p202'):
                s.send(b'230 already in\r\n' if user == b'u230' else b'331 ok\r\n')
            elif user == b'u530':
                s.send(b'530 Not allowed.\r\n')
            elif user == b'close':
                s.send(b'421 part')
                return
            else:
                s.send(b'331 Password please.\r\n')
        elif verb == b'PASS':
            if user == b'p202':
                s.send(b'202 not needed\r\n')
            elif user == b'p503':
                s.send(b'503 Bad sequence.\r\n')
            elif user == b'multi':
                s.send(b'230-Welcome\r\n230-second line\r\n230 done\r\n')
            elif user == b'split':
                s.send(b'230-Wel', b'come\r\n230 in pie', b'ces\r\n')
            else:
                s.send(b'230 Logged in.\r\n')
        elif verb == b'PWD':
            if user == b'pwd550':
                s.send(b'550 No directory.\r\n')
            elif user == b'join' and any(h.startswith(b'CWD') for h in s.history):
                s.send(b'550 PWD not today.\r\n')
            elif user == b'join':
                s.send(b'257 "/pub" is current\r\n')
            elif user == b'quote':
                s.send(b'257 "/a ""q"" b" is current\r\n')
            else:
                s.send(b'257 "/home" is current\r\n')
        elif verb == b'CWD':
            if arg == b'deny':
                s.send(b'550 No such directory.\r\n')
            elif arg == b'c200':
                s.send(b'200 odd but fine\r\n')
            else:
                s.send(b'250 Okay.\r\n')
        elif verb == b'QUIT':
            if user == b'q500':
                s.send(b'500 Unknown command.\r\n')
            else:
                s.send(b'221 Bye.\r\n')
                return
        elif verb == b'BYE':
            s.send(b'221 Bye then.\r\n')
            return
        elif verb == b'DELE':
            s.send(b'550 gone: no such file\r\n' if arg == b'gone' else b'250 Deleted.\r\n')
        elif verb == b'RNFR':
            if arg == b'r100':
                s.send(b'100 odd\r\n')
            elif arg == b'r550':
                s.send(b'550 No such file.\r\n')
            else:
                s.send(b'350 Ready for RNTO.\r\n')
        elif verb == b'RNTO':
            s.send(b'553 Not allowed.\r\n' if arg == b't553' else b'250 Renamed.\r\n')
        elif verb == b'NOOP':
            s.send(b'200 ok\r\n')
        elif verb == b'LONG':
            s.send(LONG_REPLY)
        elif verb == b'MULTI':
            s.send(b'211-status\r\n200 inner line\r\n 211 indented\r\n211 end\r\n')
        elif verb == b'CTRL':
            s.send(b'200 a\x01b\x07c\nd\x00e\x80\xfff\r\n')
        elif verb == b'SLOW':
            s.send(b'2', b'00 sl', b'ow\r\n', pause=0.2)
        elif verb == b'ECHO':
            s.send(b'200 ' + hexline(line) + b'\r\n')
        elif verb == b'HIST':
            s.send(b'200 ' + verbs(s.history) + b'\r\n')
        elif verb == b'LAST':
            s.send(b'200 ' + verbs(s.server.last_history) + b'\r\n')
        elif data_command(s, user, verb, arg, line):
            pass
        elif verb == b'NOREPLY':
            pass
        elif verb == b'LATE':
            # The answer comes after the client has stopped waiting for it.
            time.sleep(2.5)
            s.send(b'200 late\r\n')
        elif verb == b'DROP':
            s.send(b'421 partial')
            return
        else:
            s.send(b'500 Unknown command.\r\n')


def verbs(history):
    # Telnet bytes before ABOR are not part of the name.
    return b','.join(re.sub(rb'[^A-Za-z]', b'', h.split(b' ')[0]) for h in history)


# Listings that real servers do not send, by user name.
LISTINGS = {
    b'win': (b'01-31-03  02:30PM       <DIR>          Reports\r\n'
             b'12-05-49  10:00AM                 1234 old file.txt\r\n'
             b'06-15-50  11:59PM                    7 fifty.txt\r\n'),
    b'nolinks': (b'total 12\r\n'
                 b'-rw-r--r--  owner staff 77 Jan  2 2020 nolinks.txt\r\n'
                 b'-rw-r--r--  staff 66 Feb 29 2020 grouponly.txt\r\n'
                 b'garbage\r\n'
                 b'-rw-r--r-- 1 owner staff 3000000000 Mar 5 2019 big.iso\r\n'),
    b'lfonly': b'-rw-r--r-- 1 owner staff 12 Mar 5 2019 a.txt\n-rw-r--r-- 1 owner staff 12 Mar 5 2019 b.txt\n',
    b'hostile': (b'drwxr-xr-x 2 o g 0 Jan 1 2020 .\r\n'
                 b'drwxr-xr-x 2 o g 0 Jan 1 2020 ..\r\n'
                 b'-rw-r--r-- 1 o g 4 Jan 1 2020 ../evil.txt\r\n'
                 b'-rw-r--r-- 1 o g 4 Jan 1 2020 sub/evil.txt\r\n'
                 b'-rw-r--r-- 1 o g 4 Jan 1 2020 c:evil.txt\r\n'
                 b'-rw-r--r-- 1 o g 4 Jan 1 2020 nul.txt\r\n'
                 b'-rw-r--r-- 1 o g 4 Jan 1 2020 ...\r\n'
                 b'lrwxrwxrwx 1 o g 4 Jan 1 2020 link -> /etc\r\n'
                 b'-rw-r--r-- 1 o g 4 Jan 1 2020 ok.txt\r\n'),
}
# The users whose RETR fails at its end list that one file, for MGet.
for failing in (b'r451', b'final426', b'final552', b'resethalf', b'nofinal'):
    LISTINGS[failing] = b'-rw-r--r-- 1 o g 1000 Jan 1 2020 file\r\n'
LISTINGS[b'denytree'] = (b'drwxr-xr-x 2 o g 0 Jan 1 2020 deny\r\n'
                         b'-rw-r--r-- 1 o g 4 Jan 1 2020 ok.txt\r\n')
FILE_CONTENT = b'0123456789' * 100


class DataLink:
    """The session's data connection, passive or active."""
    def __init__(self):
        self.listener = None
        self.target = None

    def passive(self):
        self.close()
        self.listener = listen_socket()
        port = self.listener.getsockname()[1]
        return b'227 Entering Passive Mode (127,0,0,1,%d,%d).' % (port // 256, port % 256)

    def active(self, arg):
        f = [int(x) for x in arg.split(b',')]
        self.close()
        self.target = ('%d.%d.%d.%d' % tuple(f[:4]), f[4] * 256 + f[5])

    def open(self):
        if self.listener:
            self.listener.settimeout(10)
            conn, _ = self.listener.accept()
            # A port kept open after its transfer stands for a stale one that something else
            # listens on now: a client that connects there again is seen by its next command.
            if getattr(self, 'keep_open', False):
                self.kept = self.listener
            else:
                self.listener.close()
            self.listener = None
            return conn
        if self.target:
            return socket.create_connection(self.target, timeout=10)
        return None

    def close(self):
        if self.listener:
            self.listener.close()
        self.listener = None
        self.target = None


def data_command(s, user, verb, arg, line):
    link = s.__dict__.setdefault('link', DataLink())
    if verb == b'TYPE':
        s.send(b'200 Type set to ' + arg + b'.\r\n')
    elif verb == b'PASV':
        # pasvonce: only the first PASV is granted, so a later one must not reuse its address.
        if user == b'pasvonce' and s.__dict__.get('granted_pasv'):
            s.send(b'425 Cannot open passive connection.\r\n')
            return True
        s.granted_pasv = True
        link.keep_open = user == b'pasvonce'
        s.send((b'227 Entering Passive Mode (300,0,0,1,4,1).' if user == b'badpasv' else link.passive()) + b'\r\n')
    elif verb == b'PORT':
        if user == b'port500' and not s.__dict__.get('refused_port'):
            s.refused_port = True
            s.send(b'500 Try again.\r\n')
            return True
        link.active(arg)
        s.send(b'200 PORT ok.\r\n')
    elif verb == b'SYST':
        s.send(b'215 Windows_NT\r\n' if user == b'win' else b'215 UNIX Type: L8\r\n')
    elif verb == b'REST':
        s.send(b'502 REST not implemented.\r\n' if user == b'norest' else b'350 Restarting.\r\n')
    elif verb == b'LIST':
        s.send(b'150 Here it comes.\r\n')
        conn = link.open()
        if user == b'stall':
            conn.sendall(b'-rw-r--r-- 1 o g 4 Jan 1 2020 first.txt\r\n')
            wait_for_abort(s, conn)
            return True
        conn.sendall(LISTINGS.get(user, b''))
        conn.close()
        s.send(b'226 Listing sent.\r\n')
    elif verb == b'RETR':
        if arg == b'missing':
            s.send(b'550 No such file.\r\n')
            return True
        # The answer to RETR takes its time: a refusal, or an acceptance after which the
        # client may well have gone.
        if user in (b'slowrefuse', b'slowaccept'):
            time.sleep(1.0)
            if user == b'slowrefuse':
                s.send(b'550 No such file.\r\n')
                return True
            s.send(b'150 Opening data connection.\r\n')
            send_file_to_a_client_that_may_leave(s, link.open, 1)
            return True
        s.send(b'150 Opening data connection.\r\n')
        if user == b'noconnect':
            wait_for_abort(s, None)
            return True
        conn = link.open()
        if conn is None:
            s.send(b'425 No data connection.\r\n')
            return True
        if user == b'stall':
            conn.sendall(FILE_CONTENT)
            wait_for_abort(s, conn)
            return True
        if arg == b'big':
            # Four megabytes, for a client that aborts midway.
            send_file_to_a_client_that_may_leave(s, lambda: conn, 4000)
            return True
        if user == b'resethalf':
            # Half the file, then a reset: under Wine it reads as a clean close.
            conn.sendall(FILE_CONTENT[:500])
            time.sleep(0.2)
            reset_close(conn)
            s.send(b'426 Connection reset; transfer aborted.\r\n')
            return True
        conn.sendall(FILE_CONTENT)
        conn.close()
        # r451, final426, final552: every byte went out and the data connection closed cleanly,
        # yet the transfer failed. late226: the final answer takes its time. nofinal: it never
        # comes.
        if user == b'late226':
            time.sleep(1.5)
        finals = {b'r451': b'451 Local error in processing.', b'final426': b'426 Transfer aborted.',
                  b'final552': b'552 Exceeded storage allocation.'}
        if user != b'nofinal':
            s.send(finals.get(user, b'226 Transfer complete.') + b'\r\n')
    elif verb == b'STOR':
        # slowstor: the answer to STOR takes its time, long enough for the client to give up
        # first; what its data connection then says (a reset or a clean end) is the 426 or 226.
        if user == b'slowstor':
            time.sleep(2.0)
        s.send(b'150 Send it.\r\n')
        conn = link.open()
        try:
            while conn.recv(65536):
                pass
            reset = False
        except OSError:
            reset = True  # the client reset the connection: it gave up on the upload
        conn.close()
        if reset:
            s.send(b'426 Connection reset, transfer aborted.\r\n')
        else:
            s.send(b'552 Quota exceeded.\r\n' if user == b's552' else b'226 Stored.\r\n')
    elif verb == b'MKD':
        s.send(b'257 "' + arg + b'" created\r\n')
    else:
        return False
    return True


def send_file_to_a_client_that_may_leave(s, connect, copies):
    """Sends the file `copies` times over; a client that closed the data connection gets a 426."""
    try:
        conn = connect()
        for _ in range(copies):
            conn.sendall(FILE_CONTENT)
        conn.close()
        s.send(b'226 Transfer complete.\r\n')
    except OSError:
        s.send(b'426 Connection closed; transfer aborted.\r\n')


def wait_for_abort(s, conn):
    """Holds the data connection open, silent, until the client aborts."""
    while True:
        line = s.readline()
        if line is None:
            return
        if b'ABOR' in line:
            if conn:
                conn.close()
            s.send(b'426 Transfer aborted.\r\n226 ABOR done.\r\n')
            return
        s.send(b'500 Transfer running.\r\n')


def silent_session(s):
    """Accepts and never says a word."""
    while s.conn.recv(65536):
        pass


def closing_session(s):
    """Accepts and hangs up at once."""
    return


def socks_session(s, answer=True, code=90):
    """A SOCKS4 proxy that puts the request it got into the FTP greeting."""
    request = s.read_exact(8)
    if request is None:
        return
    rest = s.read_until(b'\x00')
    if rest is None:
        return
    if not answer:
        silent_session(s)
        return
    s.send(bytes([0, code, 0, 0, 0, 0, 0, 0]))
    if code != 90:
        return
    ftp_session(s, greeting=(b'220 socks ' + str(len(request + rest)).encode() + b' ' +
                             hexline(request + rest) + b'\r\n',))


def start_all():
    servers = {
        'FAKE': FakeServer(ftp_session),
        'FAKE421': FakeServer(ftp_session, greeting=(b'421 Too many users, but go on\r\n',)),
        'FAKECODELESS': FakeServer(ftp_session, greeting=(b'hello without a code\r\n',)),
        'FAKESPLIT': FakeServer(ftp_session, greeting=(b'220 hel', b'lo there\r\n')),
        'FAKESLOWGREETING': FakeServer(ftp_session, greeting=(b'220-Hello\r\n', b'220 ready\r\n'), greeting_pause=2.5),
        'SILENT': FakeServer(silent_session),
        'CLOSER': FakeServer(closing_session),
        'SOCKSREC': FakeServer(socks_session),
        'SOCKSSILENT': FakeServer(socks_session, answer=False),
        'NOCONNECT': FakeServer(never_connecting_session),
    }
    return {name: server.port for name, server in servers.items()}


def never_connecting_session(s):
    """ftp_session, except that RETR and STOR are answered with 150 and the data connection
    never comes: the transfer ends only when the client sends ABOR."""
    readline = s.readline

    def transfers_left_waiting():
        while True:
            line = readline()
            if line is None or line.split(b' ')[0].upper() not in (b'RETR', b'STOR'):
                return line
            s.send(b'150 Waiting for nobody.\r\n')
            wait_for_abort(s, None)
    s.readline = transfers_left_waiting
    ftp_session(s)


# --- transfers that must not end as a success: cut listings, stalled uploads, the abort bytes ---
# A server of its own (TRUTH): its sessions see the Telnet urgent byte in line (SO_OOBINLINE), may
# answer PWD without quotes, and know the remote folder MGet has changed into.

TREE_LISTINGS = {
    b'': (b'drwxr-xr-x 2 o g 0 Jan 1 2020 c200\r\n'
          b'drwxr-xr-x 2 o g 0 Jan 1 2020 sub\r\n'
          b'-rw-r--r-- 1 o g 4 Jan 1 2020 top.txt\r\n'),
    b'c200': b'-rw-r--r-- 1 o g 4 Jan 1 2020 in200.txt\r\n',
    b'sub': b'-rw-r--r-- 1 o g 4 Jan 1 2020 insub.txt\r\n',
}
TWO_LINES = (b'-rw-r--r-- 1 o g 4 Jan 1 2020 one.txt\r\n'
             b'-rw-r--r-- 1 o g 4 Jan 1 2020 two.txt\r\n')


def truth_session(s):
    """ftp_session, with the folder kept track of and, for the user lagtree, PWD without quotes."""
    s.truth = True
    s.user = b''
    s.tree = []
    s.abort_bytes = b''
    s.conn.setsockopt(socket.SOL_SOCKET, socket.SO_OOBINLINE, 1)
    plain = s.readline

    def readline():
        while True:
            line = plain()
            if line is None:
                return None
            verb, _, arg = line.rstrip(b'\r\n').partition(b' ')
            verb = verb.upper()
            if verb == b'USER':
                s.user = arg
            elif verb == b'CWD' and arg == b'..':
                s.tree = s.tree[:-1]
            elif verb == b'CWD' and arg != b'deny':
                s.tree.append(arg)
            elif verb == b'PWD' and s.user == b'lagtree':
                s.send(b'257 /' + b'/'.join(s.tree) + b' is current\r\n')
                continue
            return line
    s.readline = readline
    ftp_session(s)


def reset_close(conn):
    conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b'\x01\x00\x00\x00\x00\x00\x00\x00')
    conn.close()


def truth_data_command(s, user, verb, arg, line):
    link = s.link
    if verb == b'ABORBYTES':
        s.send(b'200 ' + hexline(s.abort_bytes) + b'\r\n')
    elif b'ABOR' in verb:
        s.send(b'225 No transfer to abort.\r\n')
    elif verb == b'LIST' and user in (b'resetlist', b'list451', b'nolistconn', b'lagtree'):
        s.send(b'150 Here it comes.\r\n')
        if user == b'nolistconn':
            wait_for_abort(s, None)
            return True
        conn = link.open()
        if user == b'resetlist':
            conn.sendall(TWO_LINES)
            time.sleep(0.3)
            reset_close(conn)
            s.send(b'426 Connection reset mid-listing.\r\n')
            return True
        conn.sendall(TREE_LISTINGS.get(b'/'.join(s.tree), b'') if user == b'lagtree' else TWO_LINES)
        conn.close()
        s.send(b'451 Listing incomplete.\r\n' if user == b'list451' else b'226 Listing sent.\r\n')
    elif verb == b'STOR' and user == b'stor550':
        s.send(b'550 Permission denied.\r\n')
    elif verb == b'STOR' and user in (b'noread', b'countstor'):
        s.send(b'150 Send it.\r\n')
        conn = link.open()
        if user == b'noread':
            wait_for_abort(s, conn)
            return True
        total = 0
        try:
            while True:
                chunk = conn.recv(1 << 20)
                if not chunk:
                    break
                total += len(chunk)
        except ConnectionResetError:
            conn.close()
            s.send(b'426 Data connection reset; nothing kept.\r\n')
            return True
        conn.close()
        s.send(b'226 Stored %d bytes.\r\n' % total)
    elif verb == b'RETR' and user == b'rawabort':
        s.send(b'150 Opening data connection.\r\n')
        conn = link.open()
        conn.sendall(FILE_CONTENT)
        raw = s.read_until(b'ABOR\r\n')
        if raw is None:
            return True
        s.abort_bytes = raw
        conn.close()
        s.send(b'426 Transfer aborted.\r\n226 ABOR done.\r\n')
    else:
        return False
    return True


_data_command_before_truth = data_command


def data_command(s, user, verb, arg, line):  # noqa: F811 (extends the one above)
    s.__dict__.setdefault('link', DataLink())
    if getattr(s, 'truth', False) and truth_data_command(s, user, verb, arg, line):
        return True
    return _data_command_before_truth(s, user, verb, arg, line)


_start_all_before_truth = start_all


def start_all():  # noqa: F811 (extends the one above)
    ports = _start_all_before_truth()
    ports['TRUTH'] = FakeServer(truth_session).port
    return ports
