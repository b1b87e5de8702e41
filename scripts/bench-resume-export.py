#!/usr/bin/python3
"""Incremental runs with --skip-saved against a full export of the same
database into a PST, measured in the same call: a run killed (-9) at about
60% of the full run's time and then resumed, a rerun with nothing to write,
and a rerun after one contact changed. Each run's wall and processor time and
peak memory, its ratios to the full run measured here, and the load.

Every run finds the index of its DXL file kept (both files are indexed
first, into a cache folder of the call's own), so each ratio compares like
with like; what indexing a new file costs is printed on its own.

Usage: bench-resume-export.py FERRYWELL_CLI DXL
"""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time


def run(cli, dxl, out, *options, kill_after=None):
    """Runs one export; returns (wall s, cpu s, peak MB, first summary line, last line)."""
    # The log goes to a file: a pipe nobody reads would stop the export.
    with tempfile.TemporaryFile('w+', errors='replace') as log:
        start = time.monotonic()
        proc = subprocess.Popen([cli, 'export', dxl, '--as', 'pst', '--to', out, *options],
                                stdout=log, stderr=subprocess.DEVNULL)
        if kill_after is not None:
            time.sleep(kill_after)
            # Not proc.kill(): it reaps a child that already ended, and
            # wait4 below would find none.
            os.kill(proc.pid, signal.SIGKILL)
        _, _, usage = os.wait4(proc.pid, 0)
        proc.returncode = 0
        wall = time.monotonic() - start
        log.seek(0)
        lines = log.read().strip().splitlines()
    # Each view says up front what it will write: the run's sum of them.
    planned = [re.match(r'To write: ([\d,]+); already saved: ([\d,]+)', l) for l in lines]
    totals = [sum(int(m[k].replace(',', '')) for m in planned if m) for k in (1, 2)]
    summary = f'said up front: to write {totals[0]:,}, already saved {totals[1]:,}' if any(planned) else ''
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024, summary, lines[-1] if lines else ''


def changed_copy(dxl, out):
    """The database with one Person document in the middle changed: a later
    sequence, written in place of the digit of a copy (without reading the
    file into this process, whose memory a child's peak would include)."""
    with open(dxl, 'rb') as f:
        f.seek(os.path.getsize(dxl) // 2)
        start = f.tell()
        window = f.read(1 << 20)
    at = window.index(b"<document form='Person'>")
    seq = window.index(b"sequence='", at) + len(b"sequence='")
    end = window.index(b"'", seq)
    later = str(int(window[seq:end]) + 1).encode()
    assert len(later) == end - seq, 'a sequence of the same length'
    shutil.copyfile(dxl, out)
    with open(out, 'r+b') as f:
        f.seek(start + seq)
        f.write(later)


def main():
    cli, dxl = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as work:
        full_dir, resumed_dir = os.path.join(work, 'full'), os.path.join(work, 'resumed')
        os.mkdir(full_dir)
        os.mkdir(resumed_dir)
        # The same file name: the PST to continue is found by it.
        os.mkdir(os.path.join(work, 'changed'))
        changed = os.path.join(work, 'changed', os.path.basename(dxl))
        changed_copy(dxl, changed)
        os.environ['XDG_CACHE_HOME'] = os.path.join(work, 'cache')
        # A profile of the call's own: the user's is left as it was, and no
        # earlier call's stores are in it.
        os.environ['FERRYWELL_PROFILE'] = os.path.join(work, 'profile')
        for source in (dxl, changed):
            start = time.monotonic()
            subprocess.run([cli, 'analyse', source], stdout=subprocess.DEVNULL, check=True)
            indexing = time.monotonic() - start
        wall, cpu, mem, _, last = run(cli, dxl, full_dir)
        print(f'full export: {wall:.2f} s, {cpu:.2f} s of processor time, {mem:.0f} MB ({last})')
        print(f'indexing a DXL file not seen before (not in the runs below): {indexing:.2f} s, '
              f'{indexing / wall:.2f}x the full export')
        run(cli, dxl, resumed_dir, kill_after=wall * 0.6)
        for what, source in (('resumed after kill -9 at 60%', dxl), ('rerun, nothing to write', dxl),
                             ('rerun, one contact changed', changed)):
            w, c, m, summary, last = run(cli, source, resumed_dir, '--skip-saved')
            # The kill lands at a varying share of the items: what was left
            # to write is what the resumed run's time compares with.
            counts = re.match(r'Written: (\d+), skipped: (\d+)', last)
            left = f', {int(counts[1]) / (int(counts[1]) + int(counts[2])):.0%} left to write' if counts else ''
            print(f'{what}: {w / wall:.2f}x wall ({w:.2f} s), {c / cpu:.2f}x processor ({c:.2f} s), '
                  f'{m / mem:.2f}x peak memory ({m:.0f} MB) ({last}{left})' + (f' [{summary}]' if summary else ''))
        psts = [f for f in os.listdir(resumed_dir) if f.endswith('.pst')]
        print(f'PST files: {len(psts)} (the killed run\'s, continued)')
    print('load: ' + ' '.join(open('/proc/loadavg').read().split()[:3]) + f' ({os.cpu_count()} cores)')


if __name__ == '__main__':
    main()
