#!/usr/bin/python3
"""Throughput of the control's Get and Put against curl, and the time of a 10,000-entry listing.

Usage: bench_engine.py [build folder]   (default: ../../../../build)

Starts an unthrottled vsftpd on loopback, makes a 256 MiB file and a folder of 10,000 files,
times curl's download and upload of the file, then the control's Get, Put and EnumFiles through
control_engine_bench.exe under Wine, and prints MB/s and the control/curl ratios.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

here = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # nothing of ours lands in the source tree
sys.path.insert(0, os.path.dirname(here))
import run_engine_tests as peers  # noqa: E402

SIZE = 256 * 1024 * 1024
ENTRIES = 10000


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, '../../../../build'))
    wine_run = os.path.join(here, '../../../../scripts/wine-run.sh')
    exe = os.path.join(build, 'bin', 'control_engine_bench.exe')
    peers.RATE = 0
    # Memory-backed, so that the disk's write-back does not decide the figures.
    tmp = tempfile.mkdtemp(prefix='dorvik-bench-', dir='/dev/shm' if os.path.isdir('/dev/shm') else None)
    os.chmod(tmp, 0o755)
    proc = None
    try:
        proc, port, pub = peers.start_vsftpd(tmp)
        with open(os.path.join(pub, 'big.bin'), 'wb') as f:
            block = os.urandom(1 << 20)
            for _ in range(SIZE >> 20):
                f.write(block)
        listing = os.path.join(pub, 'many')
        os.makedirs(listing)
        for i in range(ENTRIES):
            open(os.path.join(listing, 'file-%05d.txt' % i), 'w').close()
        local = os.path.join(tmp, 'local')
        os.makedirs(local)

        url = 'ftp://127.0.0.1:%d/pub/' % port
        os.sync()
        start = time.time()
        subprocess.check_call(['curl', '-s', '-o', os.path.join(local, 'curl.bin'), url + 'big.bin'])
        curl_get = time.time() - start
        start = time.time()
        subprocess.check_call(['curl', '-s', '-T', os.path.join(local, 'curl.bin'), url + 'curl-up.bin'])
        curl_put = time.time() - start

        env = dict(os.environ, BUILD_DIR=build)
        out = subprocess.check_output([wine_run, exe, str(port), 'anonymous', 'x', '/pub/big.bin',
                                       peers.winpath(os.path.join(local, 'control.bin')), '/pub/many'],
                                      env=env).decode()
        figures = {line.split()[0]: line.split()[1:] for line in out.splitlines() if line.strip()}
        get_s, put_s = float(figures['get'][1]), float(figures['put'][1])
        list_s, events = float(figures['list'][1]), int(figures['list'][2])
        mb = SIZE / 1e6
        print('download  curl %8.1f MB/s   control %8.1f MB/s (%s)   control/curl %.2f'
              % (mb / curl_get, mb / get_s, figures['get'][0], curl_get / get_s))
        print('upload    curl %8.1f MB/s   control %8.1f MB/s (%s)   control/curl %.2f'
              % (mb / curl_put, mb / put_s, figures['put'][0], curl_put / put_s))
        print('listing   %d entries, %d EnumFile events in %.3f s (%s)' % (ENTRIES, events, list_s, figures['list'][0]))
        same = open(os.path.join(local, 'control.bin'), 'rb').read() == open(os.path.join(pub, 'big.bin'), 'rb').read()
        print('download byte-identical: %s' % same)
    finally:
        if proc:
            proc.terminate()
            proc.wait()
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == '__main__':
    main()
