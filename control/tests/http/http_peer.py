#!/usr/bin/python3
"""A scripted HTTP peer for the control's download and upload tests.

GET answers are chosen by path and written byte for byte, so that answers no real server would
give (a head cut short, a range that does not fit, a stall) can be tried. POST bodies are kept
as they arrived, and parsed by Python's own MIME parser into a summary of their parts.

Usage: http_peer.py <port file> <folder>. Every request head is appended to <folder>/requests.log.
"""
import email.parser
import email.policy
import os
import socketserver
import sys
import time

FOLDER = sys.argv[2]


def body_of(n):
    return bytes((i * 31 + 7) % 256 for i in range(n))


def scripted(path, request):
    """The raw answer for a GET of path, or None to close at once."""
    if path == b"/echo":
        return b"HTTP/1.0 200 OK\r\nContent-Length: %d\r\n\r\n" % len(request) + request
    if path == b"/three":
        return b"HTTP/1.0 200 OK\r\nX-Test: 1\r\n\r\nabc"
    if path == b"/one-char-header":
        return b"HTTP/1.0 200 OK\r\nX\r\nContent-Type: text/plain\r\n\r\nbody"
    if path == b"/long-header":
        return (b"HTTP/1.0 200 OK\r\nX-Long: " + b"L" * (1000 - 8) + b"\r\nX-Longer: " + b"M" * 1490 +
                b"\r\n\r\n" + body_of(100))
    if path == b"/no-length":
        return b"HTTP/1.0 200 OK\r\n\r\n" + body_of(5000)
    if path == b"/close-early":
        return b"HTTP/1.0 200 OK\r\nContent-Length: 10000\r\n\r\n" + body_of(5000)
    if path == b"/close-in-head":
        return b"HTTP/1.0 200 OK\r\nX-Par"
    if path == b"/wrong-range":
        return b"HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-9/10\r\nContent-Length: 10\r\n\r\n" + body_of(10)
    if path == b"/not-http":
        return b"<html>hello</html>\r\n\r\n"
    return b"HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found"


def summarize(content_type, body):
    """One line per part: name, file name (or -), length and the first bytes in hex."""
    message = email.parser.BytesParser(policy=email.policy.HTTP).parsebytes(
        b"Content-Type: " + content_type + b"\r\n\r\n" + body)
    lines = []
    if message.is_multipart():
        for part in message.iter_parts():
            name = part.get_param("name", header="content-disposition")
            filename = part.get_filename() or "-"
            data = part.get_payload(decode=True) or b""
            lines.append("%s %s %d %s" % (name, filename, len(data), data[:32].hex()))
    return "\n".join(lines) + "\n"


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        sock = self.request
        data = b""
        while b"\r\n\r\n" not in data:
            chunk = sock.recv(65536)
            if not chunk:
                return
            data += chunk
        head, _, rest = data.partition(b"\r\n\r\n")
        head += b"\r\n\r\n"
        with open(os.path.join(FOLDER, "requests.log"), "ab") as log:
            log.write(head)
        method, path = head.split(b"\r\n")[0].split(b" ")[:2]
        if method == b"POST":
            self.receive_post(path, head, rest)
            return
        if path == b"/stall":
            sock.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n0123456789")
            time.sleep(5)
            return
        sock.sendall(scripted(path, head))

    def receive_post(self, path, head, body):
        headers = {}
        for line in head.split(b"\r\n")[1:]:
            if b":" in line:
                name, _, value = line.partition(b":")
                headers[name.strip().lower()] = value.strip()
        length = int(headers.get(b"content-length", b"0"))
        if path == b"/grow":
            # The file named last in the form grows after the request was announced and before
            # its body is read: the client measured it before this, and must send what it measured.
            with open(os.path.join(FOLDER, "grows.bin"), "ab") as f:
                f.write(b"+" * 1000)
        chunks = [body]
        received = len(body)
        while received < length:
            chunk = self.request.recv(1 << 20)
            if not chunk:
                break
            chunks.append(chunk)
            received += len(chunk)
        body = b"".join(chunks)
        with open(os.path.join(FOLDER, "upload.head"), "wb") as f:
            f.write(head)
        with open(os.path.join(FOLDER, "upload.body"), "wb") as f:
            f.write(body)
        if path != b"/grow":  # a body of many megabytes: the summary would only cost time
            with open(os.path.join(FOLDER, "upload.parts"), "w") as f:
                f.write(summarize(headers.get(b"content-type", b""), body))
        status = b"500 Internal Server Error" if path == b"/fail500" else b"200 OK"
        self.request.sendall(b"HTTP/1.1 " + status + b"\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok")


class Server(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True


def main():
    server = Server(("127.0.0.1", 0), Handler)
    with open(sys.argv[1] + ".tmp", "w") as f:
        f.write(str(server.server_address[1]))
    os.rename(sys.argv[1] + ".tmp", sys.argv[1])
    server.serve_forever()


if __name__ == "__main__":
    main()
