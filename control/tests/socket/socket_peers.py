"""Scripted peers of the socket wrapper's tests, each on its own free loopback port: TCP and UDP
echoes, a peer that accepts and never answers, a listener whose backlog is full, SOCKS5 proxies
that answer in set ways, and HTTP CONNECT proxies that answer in set ways.

Every tunnel that a proxy here opens goes to 127.0.0.1 only.
"""
import socket
import socketserver
import struct
import threading

USER_PASSWORD = b's3cret'
# What a proxy that opens a tunnel sends first in the same write as its answer, to show that the
# client leaves the destination's first bytes alone.
TUNNEL_HELLO = b'hello from the tunnel\r\n'


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def serve(handler_class):
    server = Server(('127.0.0.1', 0), handler_class)
    threading.Thread(target=server.serve_forever, kwargs={'poll_interval': 0.1}, daemon=True).start()
    return server, server.server_address[1]


def recv_exact(sock, n):
    data = b''
    while len(data) < n:
        chunk = sock.recv(n - len(data))
        if not chunk:
            raise ConnectionError('peer closed')
        data += chunk
    return data


def pump(src, dst):
    try:
        while True:
            data = src.recv(65536)
            if not data:
                break
            dst.sendall(data)
    except OSError:
        pass
    try:
        dst.shutdown(socket.SHUT_WR)
    except OSError:
        pass


def relay(a, b):
    t = threading.Thread(target=pump, args=(b, a), daemon=True)
    t.start()
    pump(a, b)
    t.join(10)
    b.close()


def open_loopback(host, port):
    if host not in ('127.0.0.1', 'localhost'):
        return None
    try:
        return socket.create_connection(('127.0.0.1', port), timeout=5)
    except OSError:
        return None


class Echo(socketserver.BaseRequestHandler):
    def handle(self):
        while True:
            data = self.request.recv(65536)
            if not data:
                return
            self.request.sendall(data)


class Silent(socketserver.BaseRequestHandler):
    def handle(self):
        # Holds the connection until the client gives up.
        while self.request.recv(65536):
            pass


class Quiet(socketserver.BaseRequestHandler):
    """A client that goes away mid-talk is part of the tests, not an error of the peer."""

    def handle(self):
        try:
            self.talk()
        except (ConnectionError, OSError):
            pass


class Socks5(Quiet):
    """mode: auth (a real proxy that wants the password when offered user/password), method2,
    nomethod, ipv6, domain, fail, close."""
    mode = 'auth'

    def talk(self):
        s = self.request
        version, count = recv_exact(s, 2)
        methods = recv_exact(s, count)
        if self.mode == 'close':
            return
        if self.mode == 'method2':
            s.sendall(b'\x05\x02')
            return
        if self.mode == 'nomethod':
            s.sendall(b'\x05\xff')
            return
        if 2 in methods:
            s.sendall(b'\x05\x02')
            ver = recv_exact(s, 1)
            user = recv_exact(s, recv_exact(s, 1)[0])
            password = recv_exact(s, recv_exact(s, 1)[0])
            if password != USER_PASSWORD or not user:
                s.sendall(b'\x01\x01')
                return
            s.sendall(b'\x01\x00')
        else:
            s.sendall(b'\x05\x00')
        _, command, _, atyp = recv_exact(s, 4)
        if atyp == 1:
            host = socket.inet_ntoa(recv_exact(s, 4))
        elif atyp == 3:
            host = recv_exact(s, recv_exact(s, 1)[0]).decode('latin-1')
        else:
            return
        port = struct.unpack('!H', recv_exact(s, 2))[0]
        bound = b'\x01\x7f\x00\x00\x01\x00\x00'
        if self.mode == 'ipv6':
            s.sendall(b'\x05\x00\x00\x04' + b'\x00' * 18)
            return
        if self.mode == 'fail':
            s.sendall(b'\x05\x05\x00' + bound)
            return
        if self.mode == 'domain':
            # A bound name instead of an address, in pieces, with tunnel data right behind it.
            name = b'proxy.example'
            answer = b'\x05\x00\x00\x03' + bytes([len(name)]) + name + b'\x04\x00' + TUNNEL_HELLO
            for piece in (answer[:3], answer[3:5], answer[5:9], answer[9:]):
                s.sendall(piece)
                threading.Event().wait(0.02)
            while s.recv(65536):
                pass
            return
        target = open_loopback(host, port)
        if target is None:
            s.sendall(b'\x05\x04\x00' + bound)
            return
        s.sendall(b'\x05\x00\x00' + bound)
        relay(s, target)


class HttpProxy(Quiet):
    """mode: tunnel, mirror, deny, nostatus, badstatus, wordstatus, othertext, big, huge, close."""
    mode = 'tunnel'

    def talk(self):
        s = self.request
        head = b''
        while not head.endswith(b'\r\n\r\n'):
            c = s.recv(1)
            if not c:
                return
            head += c
        mode = self.mode
        if mode == 'tunnel':
            target_text = head.split(b' ')[1].decode('latin-1')
            host, _, port = target_text.rpartition(':')
            target = open_loopback(host, int(port))
            if target is None:
                s.sendall(b'HTTP/1.0 502 Bad Gateway\r\n\r\n')
                return
            s.sendall(b'HTTP/1.0 200 Connection established\r\nProxy-agent: dorvik-test\r\n\r\n')
            relay(s, target)
        elif mode == 'mirror':
            s.sendall(b'HTTP/1.1 200 OK\r\n\r\n' + head)
            return
        elif mode == 'deny':
            s.sendall(b'HTTP/1.0 407 Proxy Authentication Required\r\n'
                      b'Proxy-Authenticate: Basic realm="dorvik"\r\n\r\n')
        elif mode == 'nostatus':
            s.sendall(b'garbage\r\n\r\n')
        elif mode == 'badstatus':
            s.sendall(b'HTTP/1.0 2000 OK\r\n\r\n')
        elif mode == 'wordstatus':
            s.sendall(b'HTTP/1.0 OK\r\n\r\n')
        elif mode == 'othertext':
            s.sendall(b'ICY 200 OK\r\n\r\n')
        elif mode == 'big':
            lines = b''.join(b'X-Filler-%05d: %s\r\n' % (i, b'f' * 40) for i in range(200))
            s.sendall(b'HTTP/1.0 200 OK\r\n' + lines + b'\r\n' + TUNNEL_HELLO)
        elif mode == 'huge':
            line = b'X-Filler: ' + b'f' * 90 + b'\r\n'
            try:
                s.sendall(b'HTTP/1.0 200 OK\r\n' + line * 1000)
                while s.recv(65536):
                    pass
            except OSError:
                pass
            return
        elif mode == 'close':
            s.sendall(b'HTTP/1.0 200 OK\r\n')
            return
        try:
            while s.recv(65536):
                pass
        except OSError:
            pass


def udp_echo():
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind(('127.0.0.1', 0))

    def loop():
        while True:
            data, peer = sock.recvfrom(65536)
            sock.sendto(data, peer)
    threading.Thread(target=loop, daemon=True).start()
    return sock, sock.getsockname()[1]


def full_backlog():
    """A listener that never accepts, with its one queue place taken: further connects hang."""
    listener = socket.socket()
    listener.bind(('127.0.0.1', 0))
    listener.listen(0)
    port = listener.getsockname()[1]
    filler = socket.create_connection(('127.0.0.1', port), timeout=2)
    return (listener, filler), port


def start_all():
    """Returns (objects to keep alive, {name: port})."""
    keep, ports = [], {}

    def add(name, result):
        obj, port = result
        keep.append(obj)
        ports[name] = port

    add('ECHO', serve(Echo))
    add('BLOCKED_ECHO', serve(Echo))
    add('SILENT', serve(Silent))
    add('UDP_ECHO', udp_echo())
    add('FULL', full_backlog())
    for mode in ('auth', 'method2', 'nomethod', 'ipv6', 'domain', 'fail', 'close'):
        add('SOCKS5_' + mode.upper(), serve(type('Socks5_' + mode, (Socks5,), {'mode': mode})))
    for mode in ('tunnel', 'mirror', 'deny', 'nostatus', 'badstatus', 'wordstatus', 'othertext', 'big', 'huge',
                 'close'):
        add('HTTP_' + mode.upper(), serve(type('Http_' + mode, (HttpProxy,), {'mode': mode})))
    closed = socket.socket()
    closed.bind(('127.0.0.1', 0))
    ports['CLOSED'] = closed.getsockname()[1]
    closed.close()
    return keep, ports
