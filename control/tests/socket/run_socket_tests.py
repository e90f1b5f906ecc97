#!/usr/bin/python3
"""Starts the peers of the socket wrapper's tests on loopback (dante, and the scripted peers of
socket_peers.py), runs the Windows test program under Wine with their ports in its environment as
DORVIK_SOCK_<NAME>, and stops them again.

Usage: run_socket_tests.py <wine-run.sh> <test.exe> [gtest arguments...]
"""
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # nothing of ours lands in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import socket_peers  # noqa: E402


def free_port():
    s = socket.socket()
    s.bind(('127.0.0.1', 0))
    port = s.getsockname()[1]
    s.close()
    return port


def wait_for_port(port, proc, what):
    deadline = time.time() + 10
    while time.time() < deadline:
        if proc.poll() is not None:
            raise RuntimeError('%s exited early with %s' % (what, proc.returncode))
        try:
            socket.create_connection(('127.0.0.1', port), timeout=0.5).close()
            return
        except OSError:
            time.sleep(0.05)
    raise RuntimeError('%s did not start listening on %d' % (what, port))


def start_dante(tmp, blocked_port):
    port = free_port()
    conf = os.path.join(tmp, 'danted.conf')
    with open(conf, 'w') as f:
        f.write('\n'.join([
            'logoutput: %s/danted.log' % tmp, 'internal: 127.0.0.1 port = %d' % port, 'external: 127.0.0.1',
            'clientmethod: none', 'socksmethod: none', 'user.privileged: root', 'user.unprivileged: nobody',
            'client pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }',
            'socks block { from: 0.0.0.0/0 to: 127.0.0.1/32 port = %d }' % blocked_port,
            'socks pass { from: 127.0.0.0/8 to: 0.0.0.0/0 command: connect }',
            'socks pass { from: 127.0.0.0/8 to: 0.0.0.0/0 command: udpassociate }',
            'socks pass { from: 0.0.0.0/0 to: 127.0.0.0/8 command: udpreply }', '']))
    proc = subprocess.Popen(['/usr/sbin/danted', '-f', conf, '-p', os.path.join(tmp, 'danted.pid')],
                            stdout=subprocess.DEVNULL, stderr=open(os.path.join(tmp, 'danted.err'), 'w'))
    try:
        wait_for_port(port, proc, 'danted')
    except RuntimeError:
        sys.stderr.write(open(os.path.join(tmp, 'danted.err')).read())
        raise
    return proc, port


def main():
    wine_run, exe = sys.argv[1], sys.argv[2]
    tmp = tempfile.mkdtemp(prefix='dorvik-socket-')
    os.chmod(tmp, 0o755)
    dante = None
    try:
        keep, ports = socket_peers.start_all()
        dante, ports['DANTE'] = start_dante(tmp, ports['BLOCKED_ECHO'])
        env = dict(os.environ)
        for name, port in ports.items():
            env['DORVIK_SOCK_' + name] = str(port)
        rc = subprocess.call([wine_run, exe] + sys.argv[3:], env=env)
        if rc != 0 and os.path.exists(os.path.join(tmp, 'danted.log')):
            sys.stderr.write(open(os.path.join(tmp, 'danted.log')).read()[-4000:])
        return rc
    finally:
        if dante is not None:
            dante.terminate()
            try:
                dante.wait(10)
            except subprocess.TimeoutExpired:
                dante.kill()
                dante.wait()
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == '__main__':
    sys.exit(main())
