#!/usr/bin/python3
"""An interrupted export finished with --skip-saved, against a full export of
the same database into a PST: the full run, a run killed (-9) at about 60% of
its time, the resumed run, and a third run that writes nothing. Each run's
wall and processor time (the steadier measure on a shared machine) and its
ratio to the full run measured here; the load with it.

Usage: bench-resume-export.py FERRYWELL_CLI DXL
"""
import os
import subprocess
import sys
import tempfile
import time


def run(cli, dxl, out, *options, kill_after=None):
    """Runs one export; returns (wall s, cpu s, last line of stdout)."""
    # The log goes to a file: a pipe nobody reads would stop the export.
    with tempfile.TemporaryFile('w+') as log:
        start = time.monotonic()
        proc = subprocess.Popen([cli, 'export', dxl, '--as', 'pst', '--to', out, *options],
                                stdout=log, stderr=subprocess.DEVNULL)
        if kill_after is not None:
            time.sleep(kill_after)
            proc.kill()
        _, _, usage = os.wait4(proc.pid, 0)
        proc.returncode = 0
        wall = time.monotonic() - start
        log.seek(0)
        lines = log.read().strip().splitlines()
    return wall, usage.ru_utime + usage.ru_stime, lines[-1] if lines else ''


def main():
    cli, dxl = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as work:
        full_dir, resumed_dir = os.path.join(work, 'full'), os.path.join(work, 'resumed')
        os.mkdir(full_dir)
        os.mkdir(resumed_dir)
        wall, cpu, last = run(cli, dxl, full_dir)
        print(f'full export: {wall:.2f} s, {cpu:.2f} s of processor time ({last})')
        run(cli, dxl, resumed_dir, kill_after=wall * 0.6)
        for what in ('resumed after kill -9 at 60%', 'again, nothing to write'):
            w, c, last = run(cli, dxl, resumed_dir, '--skip-saved')
            print(f'{what}: {w:.2f} s ({w / wall:.2f}x), {c:.2f} s of processor time ({c / cpu:.2f}x) ({last})')
        psts = [f for f in os.listdir(resumed_dir) if f.endswith('.pst')]
        print(f'PST files: {len(psts)} (the killed run\'s, continued)')
    print('load: ' + ' '.join(open('/proc/loadavg').read().split()[:3]))


if __name__ == '__main__':
    main()
