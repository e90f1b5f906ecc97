#!/usr/bin/python3
"""Serves Velkaro's four advert files with pyftpdlib on 127.0.0.1 port 21 (the port of the
control state that Velkaro's window carries), runs the window test program with the real
DorvikFTP control under Wine, and checks what the server saw: the maker's login, the four
downloads in order, and a program that ended by itself.

Usage: real_control_advert_test.py <wine-run.sh> <test.exe> <AdvertFixtures.h>
Exit code 77 (skipped) when port 21 on 127.0.0.1 is already taken.
"""
import io
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

PORT = 21
USER, PASSWORD = 'corvan', 'qvt47r'
ADVERTS = ['Velkaro_propaganda1.txt', 'Velkaro_banner1.jpg', 'Velkaro_propaganda2.txt', 'Velkaro_banner2.jpg']
SKIPPED = 77
# The control gives up on a silent server after 30 s; the whole run has this long.
RUN_SECONDS = 120
# Bytes per second of the slow server that a close interrupts.
SLOW_RATE = 32 * 1024


def winpath(path):
    return 'Z:' + path.replace('/', '\\')


def fixture_jpeg(header):
    """The 24 x 16 JPEG of the window tests' fixtures, read from their header."""
    with open(header) as f:
        text = f.read()
    body = text[text.index('Jpeg24x16()'):]
    body = body[body.index('{') + 1:body.index('};')]
    return bytes(int(b, 16) for b in re.findall(r'0x([0-9A-Fa-f]{2})', body))


def second_jpeg(fallback):
    """A larger picture than the fixture's, unlike the window's built-in 266 x 214 one."""
    try:
        from PIL import Image
    except ImportError:
        return fallback
    out = io.BytesIO()
    Image.new('RGB', (200, 150), (30, 90, 160)).save(out, 'JPEG', quality=85)
    return out.getvalue()


def serve(root, seen):
    authorizer = DummyAuthorizer()
    authorizer.add_user(USER, PASSWORD, root, perm='elr')

    class Handler(FTPHandler):
        banner = 'advert host ready'

        def pre_process_command(self, line, cmd, arg):
            seen.append(('cmd', cmd, arg))
            return super().pre_process_command(line, cmd, arg)

        def on_login(self, username):
            seen.append(('login', username, ''))

        def on_file_sent(self, file):
            seen.append(('sent', os.path.basename(file), ''))

        def on_incomplete_file_sent(self, file):
            seen.append(('cut', os.path.basename(file), ''))

    Handler.authorizer = authorizer
    server = FTPServer(('127.0.0.1', PORT), Handler)
    threading.Thread(target=server.serve_forever, kwargs={'timeout': 0.2, 'handle_exit': False},
                     daemon=True).start()
    return Handler


class Slow(ThrottledDTPHandler):
    read_limit = write_limit = SLOW_RATE


def check(seen, code, fetched, sent, cut):
    problems = []
    cmds = [(c, a) for kind, c, a in seen if kind == 'cmd']
    if ('USER', USER) not in cmds or ('PASS', PASSWORD) not in cmds:
        problems.append('no USER %s / PASS %s' % (USER, PASSWORD))
    if [c for kind, c, _ in seen if kind == 'login'] != [USER]:
        problems.append('the login did not succeed exactly once')
    # The window's saved control state: binary type and passive mode for every download.
    for want in [('TYPE', 'I'), ('PASV', '')]:
        if cmds.count(want) != len(fetched):
            problems.append('%d x %s %s for %d downloads' % (cmds.count(want), want[0], want[1], len(fetched)))
    retrs = [a for c, a in cmds if c == 'RETR']
    # The names follow the working directory "/" as the panel joins them.
    if [a.lstrip('/') for a in retrs] != fetched:
        problems.append('RETRs %r, expected %r' % (retrs, fetched))
    if [c for kind, c, _ in seen if kind == 'sent'] != sent:
        problems.append('files sent in full %r, expected %r' % ([c for kind, c, _ in seen if kind == 'sent'], sent))
    if [c for kind, c, _ in seen if kind == 'cut'] != cut:
        problems.append('files cut off %r, expected %r' % ([c for kind, c, _ in seen if kind == 'cut'], cut))
    if code != 0:
        problems.append('the window test ended with %s' % code)
    return problems


def main():
    wine_run, exe, fixtures = sys.argv[1:4]
    probe = socket.socket()
    probe.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    try:
        probe.bind(('127.0.0.1', PORT))
    except OSError as e:
        print('SKIPPED: 127.0.0.1 port %d is taken (%s); Velkaro fetches its adverts from port %d only'
              % (PORT, e.strerror, PORT))
        return SKIPPED
    finally:
        probe.close()

    root = tempfile.mkdtemp(prefix='velkaro-adverts-')
    os.chmod(root, 0o755)
    try:
        jpeg = fixture_jpeg(fixtures)
        adverts = {
            'Velkaro_propaganda1.txt': 'Primeira linha\r\nPromo\xe7\xe3o de ver\xe3o'.encode('cp1252'),
            'Velkaro_banner1.jpg': jpeg,
            'Velkaro_propaganda2.txt': ('Segunda propaganda: ' + 'renomeie tudo de uma vez. ' * 12).encode('cp1252'),
            'Velkaro_banner2.jpg': second_jpeg(jpeg),
        }
        seen = []
        try:
            handler = serve(root, seen)
        except OSError as e:
            print('SKIPPED: cannot listen on 127.0.0.1 port %d (%s)' % (PORT, e.strerror))
            return SKIPPED

        # case, data connection, first picture, RETRs, sent in full, cut off
        runs = [
            ('DownloadsShowsAndClosesWhileConnected', FTPHandler.dtp_handler, jpeg, ADVERTS, ADVERTS, []),
            # Some seconds of picture at the slow rate: the close comes long before its end.
            ('CloseDuringADownloadEndsAtOnceAndLeavesNoCopies', Slow, jpeg + bytes(SLOW_RATE * 8),
             ADVERTS[:2], ADVERTS[:1], ADVERTS[1:2]),
        ]
        failed = False
        for case, dtp, banner1, fetched, sent, cut in runs:
            for name, data in dict(adverts, **{'Velkaro_banner1.jpg': banner1}).items():
                with open(os.path.join(root, name), 'wb') as f:
                    f.write(data)
            handler.dtp_handler = dtp
            del seen[:]
            env = dict(os.environ)
            env['VELKARO_TEST_ADVERT_HOST'] = '127.0.0.1'
            env['VELKARO_ADVERT_SERVED'] = winpath(root)
            env['VELKARO_ADVERT_CASE'] = case
            try:
                code = subprocess.call([wine_run, exe, '--gtest_filter=*.' + case], env=env, timeout=RUN_SECONDS)
            except subprocess.TimeoutExpired:
                print('FAILED %s: the window test did not end within %d s (a hang on close?)' % (case, RUN_SECONDS))
                return 1
            # The server may still be finishing with a connection the program dropped.
            time.sleep(0.3)
            problems = check(seen, code, fetched, sent, cut)
            for p in problems:
                print('FAILED %s: %s' % (case, p))
            if problems:
                print('server saw: %r' % seen)
                failed = True
        if failed:
            return 1
        print('ok: %d runs against the real control' % len(runs))
        return 0
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == '__main__':
    sys.exit(main())
