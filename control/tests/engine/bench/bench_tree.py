#!/usr/bin/python3
"""Folder trees up and down: the control's MPut and MGet against lftp's mirror, on one vsftpd.

Usage: bench_tree.py [build folder [runs]]   (default: the build the tests run, 3 runs)
       WINE_RUN=launcher bench_tree.py ...     (default: scripts/wine-run.sh, the project's prefix)

Builds a tree of 2,000 files in 50 folders (0-40 KB, a few of 1 MiB, names with spaces and
Latin-1 letters), then in each run: lftp's `mirror -R` of it into the server, the control's MPut
and MGet (control_engine_bench.exe tree, under Wine), lftp's `mirror` back. Every tree that
comes out, on the server and locally, is checked byte for byte, names and contents. Prints the
times, every run's and the medians, and the control/lftp ratios of both directions.

Names: the control sends file names in the Windows ANSI code page (cp1252) and Wine turns the
Windows names of its local files into UTF-8 Linux names. So the source tree has UTF-8 names, the
server holds the cp1252 bytes of the same names (lftp is told to convert the same way, so both
server trees must be equal), and both downloads must come back with the source's UTF-8 names.
"""
import os
import random
import shutil
import statistics
import subprocess
import sys
import time

here = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # nothing of ours lands in the source tree
sys.path.insert(0, os.path.dirname(here))
import run_engine_tests as peers  # noqa: E402

TOP_FOLDERS = 5
SUBFOLDERS = 9  # under each top folder: 5 * (1 + 9) = 50 folders
FILES_PER_FOLDER = 40  # 2,000 files
BIG = 1 << 20  # the last file of each top folder's last subfolder: 5 of them
SMALL_MAX = 40 * 1024
# Latin-1 letters that cp1252 and UTF-8 both have, and spaces, in folder and file names alike.
WORDS = ['café', 'garçon', 'élève', 'Übung', 'año', 'naïve', 'façade', 'crème brûlée', 'plain', 'Zoë']
# Everything on the server is written as the control sends it.
WIRE = 'cp1252'


def build_tree(root):
    """The source tree, the same for every run (a fixed seed). Returns its file count."""
    rng = random.Random(22)
    os.makedirs(root)
    count = 0
    for t in range(TOP_FOLDERS):
        top = os.path.join(root, 'dossier %d %s' % (t, WORDS[t % len(WORDS)]))
        folders = [top] + [os.path.join(top, 'sous-dossier %02d %s' % (s, WORDS[(t + s) % len(WORDS)]))
                           for s in range(SUBFOLDERS)]
        for folder in folders:
            os.makedirs(folder, exist_ok=True)
            for i in range(FILES_PER_FOLDER):
                name = '%s fichier %03d%s' % (WORDS[(i + t) % len(WORDS)], i, ('.txt', '.bin', '')[i % 3])
                size = rng.randint(0, SMALL_MAX)
                if folder == folders[-1] and i == FILES_PER_FOLDER - 1:
                    size = BIG
                with open(os.path.join(folder, name), 'wb') as f:
                    f.write(rng.randbytes(size))
                count += 1
    return count


def snapshot(root):
    """Relative path (bytes, as on disk) -> contents, folders -> None."""
    tree = {}
    broot = os.fsencode(root)
    for path, folders, files in os.walk(broot):
        rel = os.path.relpath(path, broot)
        for name in folders:
            tree[os.path.normpath(os.path.join(rel, name))] = None
        for name in files:
            with open(os.path.join(path, name), 'rb') as f:
                tree[os.path.normpath(os.path.join(rel, name))] = f.read()
    return tree


def on_wire(tree):
    """The source snapshot with its names as the server must hold them."""
    return {os.fsdecode(name).encode(WIRE): data for name, data in tree.items()}


def compare(what, got, want):
    if got == want:
        return True
    missing = sorted(set(want) - set(got))
    extra = sorted(set(got) - set(want))
    differing = sorted(n for n in set(got) & set(want) if got[n] != want[n])
    print('  %s DIFFERS: %d missing %s, %d extra %s, %d with other contents %s'
          % (what, len(missing), missing[:3], len(extra), extra[:3], len(differing), differing[:3]))
    return False


def lftp(port, commands):
    # One connection, passive, no permissions or times to set afterwards (the control sets none);
    # names go over the wire in cp1252 like the control's.
    settings = ('set cmd:fail-exit yes; set ftp:passive-mode on; set ftp:charset %s; set file:charset utf-8; '
                'set net:max-retries 1; set mirror:parallel-transfer-count 1; ' % WIRE)
    start = time.time()
    subprocess.check_call(['lftp', '-c', settings + 'open -u anonymous,x ftp://127.0.0.1:%d; %s' % (port, commands)],
                          stdout=subprocess.DEVNULL)
    return time.time() - start


def fresh(path):
    os.makedirs(path)
    os.chmod(path, 0o777)  # vsftpd's anonymous user writes here
    return path


def main():
    build, wine_run, exe, count, tmp = peers.bench_setup(3, 'dorvik-tree-')
    peers.RATE = 0
    proc = None
    try:
        proc, port, pub = peers.start_vsftpd(tmp)
        source = os.path.join(tmp, 'tree')
        files = build_tree(source)
        want_local = snapshot(source)
        want_server = on_wire(want_local)
        total = sum(len(d) for d in want_local.values() if d is not None)
        print('tree: %d files, %d folders, %.1f MB' % (files, sum(d is None for d in want_local.values()), total / 1e6))
        env = dict(os.environ, BUILD_DIR=build)
        runs = {'lftp up': [], 'lftp down': [], 'control up': [], 'control down': []}
        exact = True
        for run in range(count):
            remote = fresh(os.path.join(pub, 'run%d' % run))
            fresh(os.path.join(remote, 'lftp'))
            fresh(os.path.join(remote, 'control'))
            lftp_down = fresh(os.path.join(tmp, 'lftp-down%d' % run))
            control_down = fresh(os.path.join(tmp, 'control-down%d' % run))
            os.sync()

            runs['lftp up'].append(lftp(port, 'mirror -R --no-perms "%s" /pub/run%d/lftp/tree' % (source, run)))
            out = subprocess.run([wine_run, exe, 'tree', str(port), 'anonymous', 'x', peers.winpath(source),
                                  '/pub/run%d/control' % run, peers.winpath(control_down)],
                                 env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            figures = {line.split()[0]: line.split()[1:] for line in out.stdout.decode().splitlines() if line.strip()}
            for what, key in (('mput', 'control up'), ('mget', 'control down')):
                if what not in figures or figures[what][0] != 'ok':
                    raise SystemExit('the control\'s %s failed: %s' % (what, out.stderr.decode(errors='replace')))
                if int(figures[what][2]) != files:
                    print('  control %s: %s files reported complete, not %d' % (what, figures[what][2], files))
                    exact = False
                runs[key].append(float(figures[what][1]))
            runs['lftp down'].append(lftp(port, 'mirror --no-perms /pub/run%d/lftp/tree "%s"' % (run, lftp_down)))

            exact &= compare('server tree of MPut', snapshot(os.path.join(remote, 'control', 'tree')), want_server)
            exact &= compare('server tree of lftp mirror -R', snapshot(os.path.join(remote, 'lftp', 'tree')), want_server)
            exact &= compare('local tree of MGet', snapshot(control_down), want_local)
            exact &= compare('local tree of lftp mirror', snapshot(lftp_down), want_local)
            print('run %d: lftp up %.2f s, control up %.2f s, control down %.2f s, lftp down %.2f s'
                  % (run, runs['lftp up'][-1], runs['control up'][-1], runs['control down'][-1], runs['lftp down'][-1]))
            shutil.rmtree(remote, ignore_errors=True)
            shutil.rmtree(lftp_down, ignore_errors=True)
            shutil.rmtree(control_down, ignore_errors=True)

        median = {name: statistics.median(times) for name, times in runs.items()}
        for what, key in (('upload  ', 'up'), ('download', 'down')):
            ours, theirs = median['control ' + key], median['lftp ' + key]
            print('%s  lftp %6.2f s   control %6.2f s (%.2f ms a file)   control/lftp %.1fx   (median of %d)'
                  % (what, theirs, ours, ours * 1000 / files, ours / theirs, count))
        print('trees byte-exact (names and contents, server and local): %s' % exact)
    finally:
        if proc:
            proc.terminate()
            proc.wait()
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == '__main__':
    main()
