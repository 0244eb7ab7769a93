#!/usr/bin/env bash
# Runs a test command; when it outlives LIMIT seconds, prints the stacks of all threads of every process it
# started (a hang in CI names itself), then kills them. Usage: stacks-on-hang.sh LIMIT COMMAND...
# The stacks are taken all at once, the test's own processes first in the output and the wrappers around
# them (cmake -E env, sh, unshare, xvfb-run) last: on a loaded machine gdb may need tens of seconds a process,
# and CTest ends the whole tree at its own timeout.
limit=$1 && shift
"$@" &
pid=$!
for ((waited = 0; waited < limit; waited++)); do
  kill -0 "$pid" 2>/dev/null || { wait "$pid"; exit $?; }
  sleep 1
done
# Children before their parents: the deepest processes are the test and the servers it started.
descendants() {
  local child
  for child in $(pgrep -P "$1"); do descendants "$child" && echo "$child"; done
}
processes="$(descendants "$pid") $pid"
echo "WATCHDOG: $* ran for more than $limit s; the stacks of all threads:" >&2
stacks=$(mktemp -d)
takers=()
for p in $processes; do
  (
    echo "== process $p: $(tr '\0' ' ' < "/proc/$p/cmdline" 2>/dev/null)"
    nice -n -10 timeout 40 gdb -batch -nx -iex "set auto-load off" -iex "set debuginfod enabled off" \
      -p "$p" -ex "thread apply all bt" 2>&1 ||
      { command -v eu-stack > /dev/null && timeout 20 eu-stack -p "$p" 2>&1; }
  ) > "$stacks/$p" &
  takers+=($!)
done
wait "${takers[@]}"
for p in $processes; do cat "$stacks/$p" >&2; done
rm -rf "$stacks"
kill -KILL $processes 2>/dev/null
exit 124
