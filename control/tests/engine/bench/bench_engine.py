#!/usr/bin/python3
"""Throughput of the control's Get and Put against curl, and the time of a 10,000-entry listing.

Usage: bench_engine.py [build folder [runs]]   (default: the build the tests run, 5 runs)
       WINE_RUN=launcher bench_engine.py ...      (default: scripts/wine-run.sh, the project's prefix)

Starts an unthrottled vsftpd on loopback, makes a 256 MiB file and a folder of 10,000 files,
times curl's download and upload of the file, then the control's Get, Put and EnumFiles through
control_engine_bench.exe under Wine, and prints MB/s and the control/curl ratios. The machine is
shared and one run is noisy: each side runs several times, curl and the control in turn, and the
medians make the ratios; every run's time is printed as well.
"""
import os
import shutil
import statistics
import subprocess
import sys
import time

here = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # nothing of ours lands in the source tree
sys.path.insert(0, os.path.dirname(here))
import run_engine_tests as peers  # noqa: E402

SIZE = 256 * 1024 * 1024
ENTRIES = 10000


def main():
    build, wine_run, exe, count, tmp = peers.bench_setup(5, 'dorvik-bench-')
    peers.RATE = 0
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
        env = dict(os.environ, BUILD_DIR=build)
        runs = {'curl get': [], 'curl put': [], 'get': [], 'put': [], 'list': []}
        events = 0
        for _ in range(count):
            os.sync()
            start = time.time()
            subprocess.check_call(['curl', '-s', '-o', os.path.join(local, 'curl.bin'), url + 'big.bin'])
            runs['curl get'].append(time.time() - start)
            start = time.time()
            subprocess.check_call(['curl', '-s', '-T', os.path.join(local, 'curl.bin'), url + 'curl-up.bin'])
            runs['curl put'].append(time.time() - start)

            out = subprocess.check_output([wine_run, exe, str(port), 'anonymous', 'x', '/pub/big.bin',
                                           peers.winpath(os.path.join(local, 'control.bin')), '/pub/many'],
                                          env=env).decode()
            figures = {line.split()[0]: line.split()[1:] for line in out.splitlines() if line.strip()}
            for name in ('get', 'put', 'list'):
                if figures[name][0] != 'ok':
                    raise SystemExit('the control\'s %s failed' % name)
                runs[name].append(float(figures[name][1]))
            events = int(figures['list'][2])
        median = {name: statistics.median(times) for name, times in runs.items()}
        mb = SIZE / 1e6
        for what, curl, ours in (('download', 'curl get', 'get'), ('upload  ', 'curl put', 'put')):
            print('%s  curl %8.1f MB/s   control %8.1f MB/s   control/curl %.2f   (median of %d)'
                  % (what, mb / median[curl], mb / median[ours], median[curl] / median[ours], count))
            print('          curl runs %s s' % ' '.join('%.3f' % t for t in runs[curl]))
            print('          control runs %s s' % ' '.join('%.3f' % t for t in runs[ours]))
        print('listing   %d entries, %d EnumFile events in %.3f s (median)' % (ENTRIES, events, median['list']))
        same = open(os.path.join(local, 'control.bin'), 'rb').read() == open(os.path.join(pub, 'big.bin'), 'rb').read()
        print('download byte-identical: %s' % same)
    finally:
        if proc:
            proc.terminate()
            proc.wait()
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == '__main__':
    main()
