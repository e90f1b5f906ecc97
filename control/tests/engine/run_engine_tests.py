#!/usr/bin/python3
"""Starts the FTP peers of the engine tests on loopback, runs the Windows test program under Wine
with their ports in its environment, and stops them again.

Usage: run_engine_tests.py <wine-run.sh> <test.exe> [gtest arguments...]

Peers: pyftpdlib (in this process), vsftpd, proftpd and dante (child processes with their configuration
in a temporary folder), and the scripted servers of fake_ftp.py.
"""
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

sys.dont_write_bytecode = True  # nothing of ours lands in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import fake_ftp  # noqa: E402

from pyftpdlib.authorizers import DummyAuthorizer  # noqa: E402
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler  # noqa: E402
from pyftpdlib.servers import FTPServer  # noqa: E402

USER, PASSWORD = 'dorvik', 'secret'
# Transfers are slowed to this many bytes per second, so that a test can abort one midway.
RATE = 10 * 1024 * 1024


def bench_setup(default_runs, prefix):
    """What every bench starts from, out of its command line (build folder, runs): the build whose
    programs this machine runs unless one is named (as scripts/test-build.sh decides it), the
    launcher (WINE_RUN, or the project's prefix), the bench program, the number of runs, and a
    memory-backed scratch folder, so that the disk's write-back does not decide the figures."""
    top = os.path.join(os.path.dirname(os.path.abspath(__file__)), '../../..')
    if len(sys.argv) > 1:
        build = os.path.abspath(sys.argv[1])
    else:
        out = subprocess.run(['bash', '-c', 'source "$1/scripts/test-build.sh"; echo "$TEST_BUILD"', '-', top],
                             stdout=subprocess.PIPE, universal_newlines=True)
        build = out.stdout.strip() or os.path.join(top, 'build')
    wine_run = os.environ.get('WINE_RUN', os.path.join(top, 'scripts/wine-run.sh'))
    exe = os.path.join(build, 'bin', 'control_engine_bench.exe')
    count = int(sys.argv[2]) if len(sys.argv) > 2 else default_runs
    tmp = tempfile.mkdtemp(prefix=prefix, dir='/dev/shm' if os.path.isdir('/dev/shm') else None)
    os.chmod(tmp, 0o755)
    return build, wine_run, exe, count, tmp


def free_port():
    s = socket.socket()
    s.bind(('127.0.0.1', 0))
    port = s.getsockname()[1]
    s.close()
    return port


def wait_for_port(port, proc, what):
    deadline = time.time() + 10
    while time.time() < deadline:
        if proc is not None and proc.poll() is not None:
            raise RuntimeError('%s exited early with %s' % (what, proc.returncode))
        try:
            socket.create_connection(('127.0.0.1', port), timeout=0.5).close()
            return
        except OSError:
            time.sleep(0.05)
    raise RuntimeError('%s did not start listening on %d' % (what, port))


def winpath(path):
    return 'Z:' + path.replace('/', '\\')


def start_pyftpdlib(root):
    authorizer = DummyAuthorizer()
    authorizer.add_user(USER, PASSWORD, root, perm='elradfmwMT')

    class Throttled(ThrottledDTPHandler):
        read_limit = RATE
        write_limit = RATE

    class Handler(FTPHandler):
        dtp_handler = Throttled
    Handler.authorizer = authorizer
    Handler.banner = 'pyftpdlib ready'
    server = FTPServer(('127.0.0.1', 0), Handler)
    threading.Thread(target=server.serve_forever, kwargs={'timeout': 0.2, 'handle_exit': False},
                     daemon=True).start()
    return server, server.address[1]


def start_vsftpd(tmp):
    root = os.path.join(tmp, 'vsftpd-root')
    pub = os.path.join(root, 'pub')
    empty = os.path.join(tmp, 'vsftpd-empty')
    os.makedirs(pub)
    os.makedirs(empty)
    os.chmod(root, 0o755)
    os.chmod(pub, 0o777)
    port = free_port()
    conf = os.path.join(tmp, 'vsftpd.conf')
    with open(conf, 'w') as f:
        f.write('\n'.join([
            'listen=YES', 'listen_ipv6=NO', 'listen_address=127.0.0.1', 'listen_port=%d' % port,
            'background=NO', 'run_as_launching_user=NO', 'anonymous_enable=YES', 'no_anon_password=YES',
            'anon_root=' + root, 'local_enable=NO', 'write_enable=YES', 'anon_upload_enable=YES',
            'anon_mkdir_write_enable=YES', 'anon_other_write_enable=YES', 'anon_umask=000',
            'secure_chroot_dir=' + empty, 'seccomp_sandbox=NO', 'isolate=NO', 'isolate_network=NO',
            'connect_from_port_20=NO', 'port_enable=YES', 'pasv_enable=YES', 'ftp_username=ftp',
            'allow_writeable_chroot=YES', 'xferlog_enable=NO', 'use_localtime=YES',
            'hide_ids=NO', 'dirmessage_enable=NO', 'ftpd_banner=vsftpd ready',
            'anon_max_rate=%d' % RATE, 'pasv_promiscuous=NO', '']))
    proc = subprocess.Popen(['/usr/sbin/vsftpd', conf], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_for_port(port, proc, 'vsftpd')
    return proc, port, pub


def start_proftpd(tmp):
    binary = '/opt/dorvik-peers/proftpd/usr/sbin/proftpd'
    if not os.path.exists(binary):
        return None, 0, ''
    root = os.path.join(tmp, 'proftpd-root')
    os.makedirs(root)
    os.chmod(root, 0o777)
    port = free_port()
    conf = os.path.join(tmp, 'proftpd.conf')
    with open(conf, 'w') as f:
        f.write('\n'.join([
            'ServerName "proftpd ready"', 'ServerType standalone', 'DefaultServer on',
            'DefaultAddress 127.0.0.1', 'Port %d' % port, 'UseIPv6 off', 'User nobody', 'Group nogroup',
            'MaxInstances 20', 'WtmpLog off', 'UseReverseDNS off',
            'PidFile %s/proftpd.pid' % tmp, 'ScoreboardFile %s/proftpd.scoreboard' % tmp,
            'DelayTable none', 'RequireValidShell off', 'AuthOrder mod_auth_file.c',
            'AuthUserFile %s/proftpd.passwd' % tmp, 'AuthGroupFile %s/proftpd.group' % tmp,
            'DefaultRoot ~', 'AllowOverwrite on', 'AllowStoreRestart on', 'AllowRetrieveRestart on',
            'TimesGMT off', 'TransferRate RETR,STOR %d' % (RATE // 1024), '<Directory />', '  AllowOverwrite on', '</Directory>', '']))
    # A user of our own, with the uid/gid of nobody so that it can write the root above.
    try:
        import warnings
        with warnings.catch_warnings():
            warnings.simplefilter('ignore')
            import crypt
    except ImportError:
        return None, 0, ''
    with open(os.path.join(tmp, 'proftpd.passwd'), 'w') as f:
        f.write('%s:%s:65534:65534::%s:/bin/sh\n' % (USER, crypt.crypt(PASSWORD, '$6$dorvik'), root))
    with open(os.path.join(tmp, 'proftpd.group'), 'w') as f:
        f.write('nogroup:x:65534:\n')
    os.chmod(os.path.join(tmp, 'proftpd.passwd'), 0o600)
    proc = subprocess.Popen([binary, '-n', '-q', '-c', conf], stdout=subprocess.DEVNULL,
                            stderr=open(os.path.join(tmp, 'proftpd.err'), 'w'))
    try:
        wait_for_port(port, proc, 'proftpd')
    except RuntimeError:
        sys.stderr.write(open(os.path.join(tmp, 'proftpd.err')).read())
        raise
    return proc, port, root


def start_dante(tmp, blocked_port):
    port = free_port()
    conf = os.path.join(tmp, 'danted.conf')
    with open(conf, 'w') as f:
        f.write('\n'.join([
            'logoutput: %s/danted.log' % tmp, 'internal: 127.0.0.1 port = %d' % port, 'external: 127.0.0.1',
            'clientmethod: none', 'socksmethod: none', 'user.privileged: root', 'user.unprivileged: nobody',
            'client pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }',
            'socks block { from: 0.0.0.0/0 to: 127.0.0.1/32 port = %d }' % blocked_port,
            'socks pass { from: 0.0.0.0/0 to: 0.0.0.0/0 protocol: tcp }', '']))
    proc = subprocess.Popen(['/usr/sbin/danted', '-f', conf, '-p', os.path.join(tmp, 'danted.pid')],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_for_port(port, proc, 'danted')
    return proc, port


def main():
    wine_run, exe = sys.argv[1], sys.argv[2]
    tmp = tempfile.mkdtemp(prefix='dorvik-engine-')
    os.chmod(tmp, 0o755)
    procs = []
    try:
        pyroot = os.path.join(tmp, 'pyftpd-root')
        os.makedirs(pyroot)
        _, pyport = start_pyftpdlib(pyroot)
        vsftpd, vsport, vsroot = start_vsftpd(tmp)
        procs.append(vsftpd)
        proftpd, proport, proroot = start_proftpd(tmp)
        if proftpd:
            procs.append(proftpd)
        fakes = fake_ftp.start_all()
        dante, socksport = start_dante(tmp, fakes['FAKE421'])
        procs.append(dante)
        closed = free_port()
        local = os.path.join(tmp, 'local')
        os.makedirs(local)

        env = dict(os.environ)
        env.update({
            'DORVIK_USER': USER, 'DORVIK_PASSWORD': PASSWORD,
            'DORVIK_PYFTPD_PORT': str(pyport), 'DORVIK_PYFTPD_ROOT': winpath(pyroot),
            'DORVIK_VSFTPD_PORT': str(vsport), 'DORVIK_VSFTPD_ROOT': winpath(vsroot),
            'DORVIK_PROFTPD_PORT': str(proport), 'DORVIK_PROFTPD_ROOT': winpath(proroot),
            'DORVIK_SOCKS_PORT': str(socksport), 'DORVIK_CLOSED_PORT': str(closed),
            'DORVIK_LOCAL': winpath(local), 'DORVIK_LOCAL_UNIX': local,
        })
        for name, port in fakes.items():
            env['DORVIK_%s_PORT' % name] = str(port)
        return subprocess.call([wine_run, exe] + sys.argv[3:], env=env)
    finally:
        for proc in procs:
            proc.terminate()
        for proc in procs:
            try:
                proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                proc.kill()
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == '__main__':
    sys.exit(main())
