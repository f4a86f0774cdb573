#!/usr/bin/env python3
"""Runs the runner's benchmark programs and their peers' in rounds and prints scripts/bench's one
table (see scripts/bench for what each line measures). Usage: bench_side_by_side.py BUILD_DIR.
Exits 1 when any figure is missing ("n/a")."""

import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, sys.argv[1] if len(sys.argv) > 1 else "build-release")
ROUNDS = int(os.environ.get("TOLVARINE_BENCH_ROUNDS", "5"))
STARTUP_RUNS_A_ROUND = 6  # 30 runs each over the rounds
# The frame wait before the first frame is a millionth of a second at this room speed.
STARTUP_ROOM_SPEED = 1000000
# Generous bounds: a program past them is taken as unable to run.
PROGRAM_SECONDS = 600
STARTUP_SECONDS = 60

figures = {}  # key -> list of values over the rounds
renderers = {}  # program -> OpenGL renderer string


def keep(key, value):
    if value is not None:
        figures.setdefault(key, []).append(value)


def run(args, env=None, timeout=PROGRAM_SECONDS, cwd=None):
    """stdout of a program that ended with 0, else None."""
    try:
        done = subprocess.run(args, env=env, cwd=cwd, timeout=timeout, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, text=True)
    except (OSError, subprocess.TimeoutExpired):
        return None
    return done.stdout if done.returncode == 0 else None


def base_env():
    env = dict(os.environ)
    env["SDL_VIDEODRIVER"] = "offscreen"
    return env


def peer_env(home):
    """A temporary HOME and XDG directories, so that LÖVE leaves nothing behind."""
    env = base_env()
    env["HOME"] = home
    for name, sub in (("XDG_DATA_HOME", "data"), ("XDG_CONFIG_HOME", "config"), ("XDG_CACHE_HOME", "cache"),
                      ("XDG_RUNTIME_DIR", "runtime")):
        path = os.path.join(home, sub)
        os.makedirs(path, mode=0o700, exist_ok=True)
        env[name] = path
    return env


def has(program):
    return shutil.which(program) is not None


# --- Interpreter: pinned to one core, best CPU time over the rounds --------------------------------

INTERPRETER_UNITS = {"BM_NumericLoop": ("loop", 1000000), "BM_RecursiveFib": ("fib", 218910),
                     "BM_StringConcat": ("concat", 10000), "BM_LocalBoundLoop": ("loop_local", 1000000),
                     "BM_GlobalsLoop": ("loop_globals", 1000000), "BM_WithInstances": ("with", 1000),
                     "BM_EventOnInstances": ("event", 1000), "BM_BuiltinAndScriptCalls": ("calls", 100000)}
SCALE = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}


def pin():
    core = os.environ.get("TOLVARINE_BENCH_CORE", str(os.cpu_count() - 1))
    return ["taskset", "-c", core] if has("taskset") else []


def google_benchmark(program, env, extra=(), full_names=False):
    """{name: benchmark record} of a Google Benchmark program's JSON output; {} when it failed.
    Names lose their "/..." arguments unless full_names is set."""
    with tempfile.NamedTemporaryFile(suffix=".json") as out:
        if run(list(program) + ["--benchmark_out=" + out.name, "--benchmark_out_format=json"] + list(extra),
               env=env) is None:
            return {}
        try:
            records = json.load(open(out.name))["benchmarks"]
        except (OSError, ValueError, KeyError):
            return {}
    return {(r["name"] if full_names else r["name"].split("/")[0]): r
            for r in records if not r.get("error_occurred")}


def interpreter_round():
    found = google_benchmark(pin() + [os.path.join(BUILD, "bench", "bench_interpreter_bench")], base_env())
    for name, (measure, units) in INTERPRETER_UNITS.items():
        if name in found:
            record = found[name]
            keep("runner:" + measure, record["cpu_time"] * SCALE[record["time_unit"]] / units)
    for measure, _ in INTERPRETER_UNITS.values():
        for key, command in (("lua", ["lua5.4"]), ("luajit", ["luajit", "-joff"])):
            if not has(command[0]):
                continue
            out = run(pin() + command + [os.path.join(ROOT, "bench", "lua", "twins.lua"), measure, "1"])
            try:
                keep(key + ":" + measure, float(out))
            except (TypeError, ValueError):
                pass


# --- Script library on long data: pinned, best CPU time per unit of work, against Lua 5.4 -------

# Runner benchmark (program, name) -> (measure, units of work in one iteration). A measure ending
# in "_mixed" or naming a list size is set beside the Lua twin of the measure before it.
LIBRARY_UNITS = {("bench_library_bench", "BM_StringCopySpread"): ("string_copy", 1000),
                 ("bench_library_bench", "BM_StringCopySpreadMixed"): ("string_copy_mixed", 1000),
                 ("bench_library_bench", "BM_StringCharAtEach"): ("string_char_at", 20000),
                 ("bench_library_bench", "BM_StringCharAtEachMixed"): ("string_char_at_mixed", 20000),
                 ("bench_library_bench", "BM_StringPosAtEnd"): ("string_pos", 1),
                 ("bench_library_bench", "BM_StringPosAtEndMixed"): ("string_pos_mixed", 1),
                 ("bench_library_bench", "BM_StringInsertAppend"): ("string_insert", 10000),
                 ("bench_library_bench", "BM_ListAdd/10000"): ("list_add_10k", 10000),
                 ("bench_library_bench", "BM_ListAdd/100000"): ("list_add", 100000),
                 ("bench_library_bench", "BM_ListAdd/1000000"): ("list_add_1m", 1000000),
                 ("bench_library_bench", "BM_ListSort"): ("list_sort", 1),
                 ("bench_library_bench", "BM_MapFindValue"): ("map_find", 100000),
                 ("bench_resource_lookup_bench", "BM_AssetGetIndexOfARoom"): ("asset_get_index", 1)}
LIBRARY_TWINS = ("string_copy", "string_char_at", "string_pos", "string_insert", "list_add", "list_sort",
                 "map_find", "asset_get_index")
LIBRARY_LINES = (("string_copy", "string_copy, 100 chars of 100 KB (ns)", "string_copy"),
                 ("string_copy_mixed", "  the same, mixed Cyrillic/ASCII (ns)", "string_copy"),
                 ("string_char_at", "string_char_at, 20,000 chars, each (ns)", "string_char_at"),
                 ("string_char_at_mixed", "  the same, mixed Cyrillic/ASCII (ns)", "string_char_at"),
                 ("string_pos", "string_pos, needle at end of 100 KB (ns)", "string_pos"),
                 ("string_pos_mixed", "  the same, mixed Cyrillic/ASCII (ns)", "string_pos"),
                 ("string_insert", "string_insert append to 100 KB, each (ns)", "string_insert"),
                 ("list_add_10k", "ds_list_add, 10,000 reals, each (ns)", "list_add"),
                 ("list_add", "ds_list_add, 100,000 reals, each (ns)", "list_add"),
                 ("list_add_1m", "ds_list_add, 1,000,000 reals, each (ns)", "list_add"),
                 ("list_sort", "ds_list_sort, 20,000 random reals (ns)", "list_sort"),
                 ("map_find", "ds_map_find_value, 100,000 keys, each (ns)", "map_find"),
                 ("asset_get_index", "asset_get_index, 1,000 assets a table (ns)", "asset_get_index"))


def library_round():
    for program in sorted({p for p, _ in LIBRARY_UNITS}):
        found = google_benchmark(pin() + [os.path.join(BUILD, "bench", program)], base_env(), full_names=True)
        for (p, name), (measure, units) in LIBRARY_UNITS.items():
            if p == program and name in found:
                record = found[name]
                keep("runner:" + measure, record["cpu_time"] * SCALE[record["time_unit"]] / units)
    if has("lua5.4"):
        for measure in LIBRARY_TWINS:
            out = run(pin() + ["lua5.4", os.path.join(ROOT, "bench", "lua", "twins.lua"), measure, "3"])
            try:
                keep("lua:" + measure, float(out))
            except (TypeError, ValueError):
                pass


# --- Drawing: unpinned, medians ------------------------------------------------------------------

def ms(record, column):
    return record[column] * SCALE[record["time_unit"]] / 1e6


def runner_drawing(program, full, one_pixel, prefix):
    found = google_benchmark([os.path.join(BUILD, "bench", program)], base_env(),
                             ["--benchmark_filter=^(%s|%s)/" % (full, one_pixel)])
    if full in found:
        keep(prefix + ":frame", ms(found[full], "real_time"))
        renderers[prefix] = found[full].get("label", "")
    if one_pixel in found:
        keep(prefix + ":frame1", ms(found[one_pixel], "real_time"))
        keep(prefix + ":cpu1", ms(found[one_pixel], "cpu_time"))
        renderers.setdefault(prefix, found[one_pixel].get("label", ""))


def love_drawing(home):
    if not has("love"):
        return
    for mode, suffix in (("full", ""), ("one-pixel", "1")):
        out = run(["love", os.path.join(ROOT, "bench", "love", "quads"), mode], env=peer_env(home))
        # ms_per_frame cpu_ms_per_frame frames red,green,blue renderer
        parts = out.split(None, 4) if out else []
        if len(parts) < 4:
            continue
        keep("love:frame" + suffix, float(parts[0]))
        if suffix and parts[1] != "n/a":
            keep("love:cpu1", float(parts[1]))
        renderers["love"] = parts[4].strip() if len(parts) > 4 else ""


# --- Start-up: spawn to exit ---------------------------------------------------------------------

def timed(args, env, cwd):
    # A blocking wait, with a timer to end a program that hangs: a wait with a timeout polls at
    # growing intervals (up to 50 ms), which would round every spawn-to-exit time up to its next poll.
    start = time.perf_counter()
    try:
        process = subprocess.Popen(args, env=env, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    except OSError:
        return None
    watchdog = threading.Timer(STARTUP_SECONDS, process.kill)
    watchdog.start()
    try:
        code = process.wait()
    finally:
        watchdog.cancel()
    elapsed = (time.perf_counter() - start) * 1000
    return elapsed if code == 0 else None


def write_startup_game(work):
    """The runner's start-up game: one room whose one instance ends the game in its Draw event."""
    code = os.path.join(work, "end.s")
    with open(code, "w") as f:
        f.write(".code drawer_draw\n  call.i game_end 0\n  popz.v\n  exit.i\n")
    game = os.path.join(work, "startup.win")
    tool = os.path.join(BUILD, "tools", "tolvarine-container")
    ok = run([tool, "--minimal", "--room-speed", str(STARTUP_ROOM_SPEED), "--draw-code", code, game]) is not None
    return game if ok else None


def startup_renderers(game, work, home):
    if game:
        log = os.path.join(work, "startup-log.txt")
        if run([os.path.join(BUILD, "tolvarine"), "-game", game, "-debugoutput", log], env=base_env(), cwd=work,
               timeout=STARTUP_SECONDS) is not None:
            for line in open(log, errors="replace"):
                if line.startswith("Adapter: "):
                    renderers["runner start-up"] = line[len("Adapter: "):].strip()
    if has("love"):
        out = run(["love", os.path.join(ROOT, "bench", "love", "startup"), "renderer"], env=peer_env(home),
                  timeout=STARTUP_SECONDS)
        if out:
            renderers["love start-up"] = out.strip().splitlines()[-1]


def startup_round(game, work, home):
    runner = [os.path.join(BUILD, "tolvarine"), "-game", game] if game else None
    for _ in range(STARTUP_RUNS_A_ROUND):
        if runner:
            keep("runner:startup", timed(runner, base_env(), work))
        if has("love"):
            keep("love:startup", timed(["love", os.path.join(ROOT, "bench", "love", "startup")], peer_env(home), work))


# --- The table -----------------------------------------------------------------------------------

status = 0


def figure(key, pick):
    global status
    values = figures.get(key)
    if not values:
        status = 1
        return None
    return pick(values)


def text(value, digits):
    return "n/a" if value is None else "%.*f" % (digits, value)


def main():
    work = tempfile.mkdtemp(prefix="tolvarine-bench-")
    home = os.path.join(work, "home")
    os.makedirs(home)
    try:
        game = write_startup_game(work)
        startup_renderers(game, work, home)
        for r in range(ROUNDS):
            print("bench: round %d of %d" % (r + 1, ROUNDS), file=sys.stderr)
            interpreter_round()
            library_round()
            runner_drawing("bench_runner_quads_bench", "BM_RunnerQuads", "BM_RunnerQuadsOnePixel", "runner")
            love_drawing(home)
            runner_drawing("bench_d3d9_quads_bench", "BM_PresentedQuads", "BM_PresentedQuadsOnePixel", "device")
            startup_round(game, work, home)
    finally:
        shutil.rmtree(work, ignore_errors=True)

    best, median = min, statistics.median
    rows = []
    for measure, label in (("loop", "loop iteration (ns)"), ("fib", "script call (ns)"),
                           ("concat", "character appended (ns)"),
                           ("loop_local", "loop iteration, bound in a local (ns)"),
                           ("loop_globals", "loop iteration over globals (ns)"),
                           ("with", "with-block, per instance (ns)"),
                           ("event", "ten-statement event, per instance (ns)"),
                           ("calls", "built-in and script call, per iteration (ns)")):
        rows.append((label, figure("runner:" + measure, best), "Lua 5.4", figure("lua:" + measure, best), 3))
        rows.append((label, figure("runner:" + measure, best), "LuaJIT -joff", figure("luajit:" + measure, best), 3))
    for measure, label, twin in LIBRARY_LINES:
        rows.append((label, figure("runner:" + measure, best), "Lua 5.4", figure("lua:" + twin, best), 1))
    for prefix, path in (("runner", "runner's path"), ("device", "device layer")):
        rows.append(("quads frame, %s (ms)" % path, figure(prefix + ":frame", median), "LÖVE 11.4",
                     figure("love:frame", median), 2))
        rows.append(("one-pixel frame, %s (ms)" % path, figure(prefix + ":frame1", median), "LÖVE 11.4",
                     figure("love:frame1", median), 2))
        rows.append(("one-pixel main-thread CPU, %s (ms)" % path, figure(prefix + ":cpu1", median), "LÖVE 11.4",
                     figure("love:cpu1", median), 2))
    rows.append(("start-up, spawn to exit (ms)", figure("runner:startup", median), "LÖVE 11.4",
                 figure("love:startup", median), 1))

    print("%-46s %10s  %-13s %10s %15s" % ("measure", "runner", "peer", "peer's", "runner / peer"))
    for label, runner, peer, peer_value, digits in rows:
        ratio = None if runner is None or peer_value is None or peer_value == 0 else runner / peer_value
        print("%-46s %10s  %-13s %10s %15s" % (label, text(runner, digits), peer, text(peer_value, digits),
                                             text(ratio, 2)))
    print()
    print("Drawing and start-up: medians of %d rounds (start-up: %d runs each); interpreter and library: best"
          " of %d rounds."
          % (ROUNDS, ROUNDS * STARTUP_RUNS_A_ROUND, ROUNDS))
    print("OpenGL renderer:")
    for key, label in (("runner", "runner's path"), ("device", "device layer"), ("love", "LÖVE quads"),
                       ("runner start-up", "runner start-up"), ("love start-up", "LÖVE start-up")):
        print("  %-16s %s" % (label, renderers.get(key) or "n/a"))
    return status


if __name__ == "__main__":
    sys.exit(main())
