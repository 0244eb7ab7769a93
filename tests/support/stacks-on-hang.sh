#!/usr/bin/env bash
# Runs a test command; when it outlives LIMIT seconds, prints the stacks of all threads of every process it
# started (a hang in CI names itself), then kills them. Usage: stacks-on-hang.sh LIMIT COMMAND...
limit=$1 && shift
"$@" &
pid=$!
for ((waited = 0; waited < limit; waited++)); do
  kill -0 "$pid" 2>/dev/null || { wait "$pid"; exit $?; }
  sleep 1
done
descendants() { for child in $(pgrep -P "$1"); do echo "$child" && descendants "$child"; done; }
processes="$pid $(descendants "$pid")"
echo "WATCHDOG: $* ran for more than $limit s; the stacks of all threads:" >&2
for p in $processes; do
  echo "== process $p: $(tr '\0' ' ' < "/proc/$p/cmdline" 2>/dev/null)" >&2
  timeout 30 gdb -batch -nx -p "$p" -ex "thread apply all bt" >&2 2>&1 || timeout 20 eu-stack -p "$p" >&2
done
kill -KILL $processes 2>/dev/null
exit 124
