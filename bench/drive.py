#!/usr/bin/env python3
"""Times tranchor against GNU split and cat on the same data in the same directory.

tranchor runs in a pseudo-terminal of 80 x 25 and is driven by the keys a user would type: the
file is dropped on it as its argument, then s, the size and Enter for a split; piece 1 is dropped
on it for a join, which needs no key. GNU split and cat run in the same kind of terminal, their
output to a file. Both tools run in every round, in turns that alternate from round to round, with a sync before each timed command; each round gives a paired ratio
(tranchor's time / the peer's), and the table shows the median of those ratios beside the median
times. Peak resident memory is what time(1) reports for each process. Every rebuilt file is
compared with its source, and any difference ends the run with an error.

Usage: drive.py TRANCHOR_BINARY WORK_DIRECTORY --floor FLOOR_BINARY [--runs N] [--quick] [--no-sparse] [--no-cold]
"""
import argparse
import hashlib
import fcntl
import os
import pty
import select
import shutil
import signal
import statistics
import struct
import subprocess
import sys
import termios
import time

COLUMNS, ROWS = 80, 25
MB = 1_000_000
TIME = "/usr/bin/time"
TIME_LIMIT_S = 600
SETTLE_S = 45  # one run of the tool that takes longer than this is a failure


class BenchFailure(Exception):
    pass


def write_random(path, size):
    with open("/dev/urandom", "rb") as source, open(path, "wb") as target:
        left = size
        while left > 0:
            block = source.read(min(left, 1 << 22))
            target.write(block)
            left -= len(block)


def drop_caches_of_writes():
    # Dirty pages of an earlier run must not be written back during the next one.
    os.sync()


class Run:
    def __init__(self, seconds, rss_kib, terminal_bytes=0):
        self.seconds = seconds
        self.rss_kib = rss_kib
        self.terminal_bytes = terminal_bytes


def peak_from(rss_file):
    with open(rss_file) as report:
        lines = [line for line in report.read().split() if line.isdigit()]
    os.unlink(rss_file)
    return int(lines[-1])


def run_in_terminal(argv, cwd, keys, rss_name, output=None):
    """Starts argv in a pseudo-terminal of 80 x 25; keys is a list of (text to wait for, bytes to
    type); with output, standard output goes to that file instead. The clock starts when the last
    key is typed (at once when there is none) and stops when the program has ended and closed the
    terminal. Both tools are run so, so that what the terminal itself costs (about 12 ms for
    /bin/true here) weighs on both alike."""
    drop_caches_of_writes()
    rss_file = os.path.join(cwd, "..", rss_name)
    pid, master = pty.fork()
    if pid == 0:
        try:
            fcntl.ioctl(0, termios.TIOCSWINSZ, struct.pack("HHHH", ROWS, COLUMNS, 0, 0))
            os.chdir(cwd)
            if output is not None:
                target = os.open(output, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
                os.dup2(target, 1)
                os.close(target)
            # Peak memory is counted by time(1): a process keeps the peak of the process it was
            # forked from, and this one was forked from Python.
            os.execv(TIME, [TIME, "-f", "%M", "-o", rss_file] + argv)
        finally:
            os._exit(127)
    seen = bytearray()
    total = 0
    after_keys = 0
    pending = list(keys)
    started = time.perf_counter() if not pending else None
    deadline = time.monotonic() + TIME_LIMIT_S
    while True:
        if time.monotonic() > deadline:
            os.kill(pid, signal.SIGKILL)
            os.wait4(pid, 0)
            raise BenchFailure(f"{' '.join(argv)} took more than {TIME_LIMIT_S} s")
        ready, _, _ = select.select([master], [], [], 1.0)
        if not ready:
            continue
        try:
            chunk = os.read(master, 1 << 16)
        except OSError:
            chunk = b""
        if not chunk:
            break
        total += len(chunk)
        if started is not None:
            after_keys += len(chunk)
        elif pending:
            seen += chunk
            wanted, typed = pending[0]
            if wanted.encode() in seen:
                pending.pop(0)
                seen.clear()
                os.write(master, typed)
                if not pending:
                    started = time.perf_counter()
    ended = time.perf_counter()
    _, status = os.waitpid(pid, 0)
    os.close(master)
    if pending or started is None:
        raise BenchFailure(f"{' '.join(argv)} ended before it asked for {pending[0][0]!r}")
    if not os.WIFEXITED(status) or os.WEXITSTATUS(status) != 0:
        raise BenchFailure(f"{' '.join(argv)} ended with status {status:#x}")
    return Run(ended - started, peak_from(rss_file), after_keys)


def run_tool(binary, argument, cwd, keys):
    """tranchor on the argument, driven by the keys a user types."""
    return run_in_terminal([binary, argument], cwd, keys, "tool-rss.txt")


def run_peer(argv, cwd, output=None):
    """GNU split or cat, in the same kind of terminal, its output to a file when given."""
    argv = [shutil.which(argv[0]) or argv[0]] + argv[1:]
    if output is not None:
        output = os.path.join(cwd, output)
    return run_in_terminal(argv, cwd, [], "peer-rss.txt", output)


def same_files(first, second):
    return subprocess.run(["cmp", "-s", first, second]).returncode == 0


def check_same(rebuilt, source, what):
    if not same_files(rebuilt, source):
        raise BenchFailure(f"{what}: {rebuilt} differs from {source}")


def fresh_directory(path):
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)


def tool_pieces(directory, base):
    names = [n for n in os.listdir(directory) if n.startswith(base + ".") and n[len(base) + 1:].isdigit()]
    return sorted(names, key=lambda n: int(n[len(base) + 1:]))


def sha256_of(path):
    digest = hashlib.sha256()
    with open(path, "rb") as data:
        for block in iter(lambda: data.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


def shell(command):
    """A peer's work as one command line of sh, so that what follows it is timed too."""
    return ["sh", "-c", command]


class Case:
    """One source file cut into pieces of one size. Each round Tranchor splits it (the manifest
    made and everything flushed, as always) and glues it twice: with its manifest (every piece
    checked) and without it (a set without a manifest). The peers do the same work in every way
    that can be asked of them: GNU split alone, followed by sha256sum of the file and the pieces,
    and followed by sync of its pieces; cat alone, followed by sha256sum -c, and followed by sync
    of the joined file."""

    TOOL = ("split", "glue", "plain glue")
    PEER = ("split", "split + sha256sum", "split + sync", "floor split",
            "cat", "cat + sha256sum -c", "cat + sync", "floor glue", "floor plain glue")

    def __init__(self, tag, name, source, piece_size, suffix_length, targets, floor):
        self.tag = tag
        self.floor = floor
        self.targets = targets
        self.name = name
        self.source = source
        self.piece_size = piece_size
        self.suffix_length = suffix_length
        self.size = os.path.getsize(source)
        self.runs = {f"tool {key}": [] for key in self.TOOL}
        self.runs.update({f"peer {key}": [] for key in self.PEER})
        self.pieces = 0
        self.peer_pieces = 0

    def peer_runs(self, peer_dir, which):
        """The peer's variants of a split or of a join, each in a directory of its own."""
        split = f"split -a {self.suffix_length} -b {self.piece_size} {self.source} x"
        if which == "split":
            commands = {"split": split, "split + sha256sum": f"{split} && sha256sum {self.source} x* > sums",
                        "split + sync": f"{split} && sync x*", "floor split": f"{self.floor} split {self.piece_size} {self.source} data"}
        else:
            commands = {"cat": "cat x* > joined.bin", "cat + sha256sum -c": "cat x* > joined.bin && sha256sum -c --quiet sums",
                        "cat + sync": "cat x* > joined.bin && sync joined.bin",
                        "floor glue": f"{self.floor} glue -c joined.bin x*", "floor plain glue": f"{self.floor} glue joined.bin x*"}
        for key, command in commands.items():
            directory = os.path.join(peer_dir, key.replace(" ", "").replace("+", "-"))
            os.makedirs(directory, exist_ok=True)
            self.runs[f"peer {key}"].append(run_peer(shell(command), directory))
        return [os.path.join(peer_dir, key.replace(" ", "").replace("+", "-")) for key in commands]

    def one_round(self, binary, work, round_number, keep):
        """One split and two glues by Tranchor, and the peers' variants of both. With keep, the
        pieces stay until the end of the bench: ext4 passes over recently deleted inodes when it
        makes new files, so deleting thousands of pieces just before the next run would slow down
        whichever tool runs next."""
        tool_dir = os.path.join(work, f"{self.tag}-tool-{round_number}")
        peer_dir = os.path.join(work, f"{self.tag}-peer-{round_number}")
        fresh_directory(tool_dir)
        fresh_directory(peer_dir)
        os.link(self.source, os.path.join(tool_dir, "data.bin"))
        split_keys = [("[G]lue", b"s"), ("[bytes]:", str(self.piece_size).encode() + b"\r")]
        # Who goes first changes from round to round, so that neither always finds the disk busier.
        tool_first = round_number % 2 == 1
        if tool_first:
            self.runs["tool split"].append(run_tool(binary, "data.bin", tool_dir, split_keys))
        directories = self.peer_runs(peer_dir, "split")
        if not tool_first:
            self.runs["tool split"].append(run_tool(binary, "data.bin", tool_dir, split_keys))
        self.pieces = len(tool_pieces(tool_dir, "data"))
        peer_pieces = sorted(n for n in os.listdir(directories[0]) if n.startswith("x"))
        self.peer_pieces = len(peer_pieces)
        # The checksums that sha256sum -c checks after cat: every piece, and the joined file.
        sums = "".join(f"{sha256_of(os.path.join(directories[0], n))}  {n}\n" for n in peer_pieces)
        sums += f"{sha256_of(self.source)}  joined.bin\n"
        joins = [os.path.join(peer_dir, k) for k in ("cat", "cat-sha256sum-c", "cat-sync", "floorglue", "floorplainglue")]
        for directory in joins:
            os.makedirs(directory, exist_ok=True)
            for name in peer_pieces:
                os.link(os.path.join(directories[0], name), os.path.join(directory, name))
            with open(os.path.join(directory, "sums"), "w") as out:
                out.write(sums)

        os.unlink(os.path.join(tool_dir, "data.bin"))
        if not tool_first:
            self.peer_runs(peer_dir, "join")
        self.runs["tool glue"].append(run_tool(binary, "data.1", tool_dir, []))
        check_same(os.path.join(tool_dir, "data.bin"), self.source, f"{self.name}: tranchor glue")
        os.unlink(os.path.join(tool_dir, "data.bin"))
        os.rename(os.path.join(tool_dir, "data.sha256"), os.path.join(tool_dir, "manifest.kept"))
        self.runs["tool plain glue"].append(run_tool(binary, "data.1", tool_dir, []))
        check_same(os.path.join(tool_dir, "data.bin"), self.source, f"{self.name}: tranchor glue without manifest")
        if tool_first:
            self.peer_runs(peer_dir, "join")
        for directory in joins:
            check_same(os.path.join(directory, "joined.bin"), self.source, f"{self.name}: cat")
        if not keep:
            shutil.rmtree(tool_dir)
            shutil.rmtree(peer_dir)

    def median(self, key):
        return statistics.median(run.seconds for run in self.runs[key])

    def ratios(self, tool, peer):
        """Each round's Tranchor time divided by the peer's time in the same round."""
        pairs = zip(self.runs[f"tool {tool}"], self.runs[f"peer {peer}"])
        return [t.seconds / p.seconds for t, p in pairs]

    def peak(self, key):
        return max(run.rss_kib for run in self.runs[key])


ROWS_OF_A_CASE = (
    ("split", "split", "split"), ("split", "split + sha256sum", "split checked"), ("split", "split + sync", "split flushed"),
    ("glue", "cat", "glue"), ("glue", "cat + sha256sum -c", "glue checked"), ("glue", "cat + sync", "glue flushed"),
    ("plain glue", "cat", "plain"), ("plain glue", "cat + sync", "plain flushed"),
    ("split", "floor split", "floor"), ("glue", "floor glue", "floor"), ("plain glue", "floor plain glue", "floor"),
)


def print_table(cases, terminal_bytes, rounds):
    print()
    print(f"{rounds} rounds, both tools in each, order alternating, a sync before every timed command; "
          "ratio = median of the rounds' Tranchor time / peer time (below 1: Tranchor faster), "
          "rounds = the lowest and highest of those. Tranchor's split writes the manifest and flushes; "
          "its glue checks every piece against the manifest and flushes; the plain glue is of a set "
          "without a manifest.")
    header = (f"{'case':<36} {'Tranchor':<10} {'peer':<18} {'T s':>7} {'peer s':>7} {'ratio':>6} {'rounds':>10} "
              f"{'target':>7} {'RSS KiB':>8} {'peer':>6}")
    print(header)
    print("-" * len(header))
    for case in cases:
        for tool, peer, target_key in ROWS_OF_A_CASE:
            ratios = case.ratios(tool, peer)
            spread = f"{min(ratios):.2f}-{max(ratios):.2f}"
            target = case.targets.get(target_key, "")
            print(f"{case.name:<36} {tool:<10} {peer:<18} {case.median('tool ' + tool):>7.3f} "
                  f"{case.median('peer ' + peer):>7.3f} {statistics.median(ratios):>6.2f} {spread:>10} {target:>7} "
                  f"{case.peak('tool ' + tool):>8} {case.peak('peer ' + peer):>6}")
    for case in cases:
        print(f"{case.name}: {case.pieces} Tranchor pieces, {case.peer_pieces} split pieces")
    for name, value in terminal_bytes:
        print(f"bytes sent to the terminal during {name}: {value} (median)")


def new_memory_cost():
    """What new memory costs this machine: 256 MiB taken and touched by a fresh process, in
    seconds per GiB (the median of three)."""
    times = []
    for _ in range(3):
        started = time.perf_counter()
        subprocess.run([sys.executable, "-c", "b = bytearray(256 << 20)"], check=True)
        times.append((time.perf_counter() - started) * 4)
    return statistics.median(times)


def sparse_case(binary, work, size_text, piece_size):
    """A sparse file (5 GiB) cut into pieces of 2 GiB and joined back, once."""
    directory = os.path.join(work, "sparse")
    fresh_directory(directory)
    source = os.path.join(directory, "sparse.img")
    subprocess.run(["truncate", "-s", size_text, source], check=True)
    reference = os.path.join(work, "sparse-reference.img")
    os.link(source, reference)
    keys = [("[G]lue", b"s"), ("[bytes]:", str(piece_size).encode() + b"\r")]
    split = run_tool(binary, "sparse.img", directory, keys)
    pieces = tool_pieces(directory, "sparse")
    sizes = [os.path.getsize(os.path.join(directory, p)) for p in pieces]
    os.unlink(source)
    join = run_tool(binary, "sparse.1", directory, [])
    check_same(source, reference, "5 GiB sparse file: tranchor join")
    os.unlink(reference)
    shutil.rmtree(directory)
    print(f"{size_text} sparse file, pieces of {piece_size} bytes {sizes}: split {split.seconds:.1f} s (RSS {split.rss_kib} KiB), "
          f"join {join.seconds:.1f} s (RSS {join.rss_kib} KiB), joined file equal to the source")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("binary")
    parser.add_argument("work")
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--floor", required=True, help="the bare loop of the promised calls (bench/floor.c)")
    parser.add_argument("--quick", action="store_true", help="small files, for trying the bench itself")
    parser.add_argument("--no-sparse", action="store_true")
    parser.add_argument("--no-cold", action="store_true", help="no cold-cache case of 5 GiB")
    options = parser.parse_args()
    binary = os.path.abspath(options.binary)
    floor = os.path.abspath(options.floor)
    work = os.path.abspath(options.work)
    os.makedirs(work, exist_ok=True)

    scale = 16 if options.quick else 1
    sizes = {"small": (64 << 20) // scale, "quarter": (256 << 20) // scale, "large": (1024 << 20) // scale}
    # Sources for sets of 3,000 and 30,000 pieces of 1,100 bytes, the last one shorter.
    many_pieces = (3_000, 30_000)
    sources = {tag: (os.path.join(work, f"{tag}.bin"), size) for tag, size in sizes.items()}
    for count in many_pieces:
        sources[f"pieces{count}"] = (os.path.join(work, f"pieces{count}.bin"), 1100 * count // scale - 518)
    print(f"making {', '.join(f'{size:,}' for _, size in sources.values())} bytes of random data in {work}",
          flush=True)
    for path, size in sources.values():
        write_random(path, size)
    print(f"new memory on this machine: {new_memory_cost():.2f} s per GiB (256 MiB taken and touched by a fresh process)",
          flush=True)
    # On ext4 without a journal, a new file passes over every inode deleted in the last half
    # minute or so (while its inode block is not yet written back): right after thousands of
    # files were deleted, making files costs many times more, for both tools. The bench deletes
    # no set of small pieces before its last round; files deleted before it started are given
    # time to age.
    if not options.quick:
        print(f"waiting {SETTLE_S} s for files deleted before the bench to age", flush=True)
        os.sync()
        time.sleep(SETTLE_S)
    large = {"split": "<= 2.0", "split checked": "<= 0.3", "glue": "<= 2.0", "glue checked": "<= 0.3", "plain": "<= 1.1"}
    small = {"split": "<= 2.0", "split checked": "<= 0.3", "glue": "<= 2.0", "glue checked": "<= 0.3", "plain": "<= 1.25"}
    # Four pieces: piece 1 holds the 18-byte header, so each piece is a little over a quarter.
    cases = [
        Case(tag, f"{sizes[tag] >> 20} MiB into 4 pieces", sources[tag][0], (sizes[tag] + 18 + 3) // 4, 2, large, floor)
        for tag in ("small", "quarter")
    ] + [
        Case("large", f"{sizes['large'] >> 20} MiB, {100_000_000 // scale:,}-byte pieces", sources["large"][0],
             100_000_000 // scale, 2, large, floor),
    ] + [
        Case(f"pieces{count}", f"{count // scale:,} pieces of 1,100 bytes", sources[f"pieces{count}"][0], 1100, 5, small, floor)
        for count in many_pieces
    ]
    for round_number in range(1, options.runs + 1):
        for case in cases:
            started = time.monotonic()
            case.one_round(binary, work, round_number, keep=case.tag.startswith("pieces"))
            print(f"round {round_number}: {case.name} done in {time.monotonic() - started:.1f} s", flush=True)
    harness = statistics.median(
        run_in_terminal(["/bin/true"], work, [], "true-rss.txt").seconds for _ in range(options.runs))
    print(f"the terminal itself: /bin/true takes {harness * 1000:.1f} ms in it (median), in every run of both tools")
    terminal_bytes = [(f"the {cases[-1].name} split",
                       int(statistics.median(run.terminal_bytes for run in cases[-1].runs["tool split"])))]
    print_table(cases, terminal_bytes, options.runs)
    for path, _ in sources.values():
        os.unlink(path)
    for case in cases:
        for round_number in range(1, options.runs + 1):
            for side in ("tool", "peer"):
                shutil.rmtree(os.path.join(work, f"{case.tag}-{side}-{round_number}"), ignore_errors=True)
    if not options.no_sparse:
        if options.quick:
            sparse_case(binary, work, "40M", 16 << 20)
        else:
            sparse_case(binary, work, "5G", 2 << 30)
    if not options.no_cold:
        cold_case(binary, work, (5 << 30) // scale, (1 << 30) // scale, max(options.runs - 2, 5))


def dirty_kib():
    """The data the kernel still has to write back (Dirty and Writeback of /proc/meminfo)."""
    with open("/proc/meminfo") as info:
        fields = dict(line.split(":", 1) for line in info)
    return sum(int(fields[key].split()[0]) for key in ("Dirty", "Writeback"))


def drop_caches():
    os.sync()
    with open("/proc/sys/vm/drop_caches", "w") as caches:
        caches.write("3\n")


def timed_sync():
    """Seconds that a sync takes: the data the last command left to write back."""
    started = time.perf_counter()
    os.sync()
    return time.perf_counter() - started


def cold_case(binary, work, size, piece_size, rounds):
    """A file of 5 GiB, split and glued with nothing of it in the page cache, by both tools, in
    alternating turns; beside the times, the data left to write back when each split returned."""
    if not os.access("/proc/sys/vm/drop_caches", os.W_OK):
        print("cold case skipped: dropping the page cache needs root")
        return
    source = os.path.join(work, "cold.bin")
    write_random(source, size)
    runs = {key: [] for key in ("tool split", "peer split", "tool glue", "peer cat")}
    left = {"tool split": [], "peer split": []}
    # Each command's time with a sync after it: what a flush at the end costs each tool.
    synced = {key: [] for key in runs}
    keys = [("[G]lue", b"s"), ("[bytes]:", str(piece_size).encode() + b"\r")]
    for round_number in range(1, rounds + 1):
        tool_dir = os.path.join(work, f"cold-tool-{round_number}")
        peer_dir = os.path.join(work, f"cold-peer-{round_number}")
        fresh_directory(tool_dir)
        fresh_directory(peer_dir)
        os.link(source, os.path.join(tool_dir, "data.bin"))
        order = ("tool", "peer") if round_number % 2 else ("peer", "tool")
        for side in order:
            drop_caches()
            if side == "tool":
                runs["tool split"].append(run_tool(binary, "data.bin", tool_dir, keys))
            else:
                runs["peer split"].append(run_peer(["split", "-b", str(piece_size), source, "x"], peer_dir))
            left[f"{side} split"].append(dirty_kib())
            synced[f"{side} split"].append(runs[f"{side} split"][-1].seconds + timed_sync())
        os.unlink(os.path.join(tool_dir, "data.bin"))
        pieces = sorted(n for n in os.listdir(peer_dir) if n.startswith("x"))
        for side in order:
            drop_caches()
            if side == "tool":
                runs["tool glue"].append(run_tool(binary, "data.1", tool_dir, []))
            else:
                runs["peer cat"].append(run_peer(["cat"] + pieces, peer_dir, output="joined.bin"))
            key = "tool glue" if side == "tool" else "peer cat"
            synced[key].append(runs[key][-1].seconds + timed_sync())
        check_same(os.path.join(tool_dir, "data.bin"), source, "cold: tranchor glue")
        check_same(os.path.join(peer_dir, "joined.bin"), source, "cold: cat")
        shutil.rmtree(tool_dir)
        shutil.rmtree(peer_dir)
    os.unlink(source)
    for tool, peer in (("tool split", "peer split"), ("tool glue", "peer cat")):
        ratios = [t.seconds / p.seconds for t, p in zip(runs[tool], runs[peer])]
        print(f"cold {size >> 20} MiB, {tool.split()[1]}: Tranchor {statistics.median(r.seconds for r in runs[tool]):.2f} s, "
              f"{peer.split()[1]} {statistics.median(r.seconds for r in runs[peer]):.2f} s, ratio {statistics.median(ratios):.2f} "
              f"({min(ratios):.2f}-{max(ratios):.2f}, {rounds} rounds, target <= 1.1)")
    for tool, peer in (("tool split", "peer split"), ("tool glue", "peer cat")):
        ratios = [t / p for t, p in zip(synced[tool], synced[peer])]
        print(f"cold {size >> 20} MiB, {tool.split()[1]}, each followed by sync: Tranchor {statistics.median(synced[tool]):.2f} s, "
              f"{peer.split()[1]} + sync {statistics.median(synced[peer]):.2f} s, ratio {statistics.median(ratios):.2f} "
              f"({min(ratios):.2f}-{max(ratios):.2f}, {rounds} rounds)")
    print(f"cold split: data left to write back when it returned: Tranchor {statistics.median(left['tool split'])} KiB, "
          f"GNU split {statistics.median(left['peer split'])} KiB (medians)")


if __name__ == "__main__":
    try:
        main()
    except BenchFailure as failure:
        print(f"\nBENCH FAILED: {failure}", file=sys.stderr)
        sys.exit(1)
