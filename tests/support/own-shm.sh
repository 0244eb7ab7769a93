#!/usr/bin/env bash
# Runs a JACK test with a /dev/shm of its own where the system allows it. jack2 names a client's notification
# socket /dev/shm/jack_<client>_<uid>_0 whatever server the client is on, so test runs beside this one (other
# clones, each test on a server of its own) take each other's sockets when their clients share a name: opens
# fail and a server talks to another run's client. The test starts its servers and clients under this
# command, so all of them see the private folder. Usage: own-shm.sh COMMAND...
setup='mount -t tmpfs -o mode=1777 korvid-shm /dev/shm'
if unshare --map-root-user --mount sh -c "$setup" 2>/dev/null; then
  exec unshare --map-root-user --mount sh -c "$setup"' && exec "$@"' own-shm "$@"
fi
echo "own-shm.sh: no /dev/shm of its own here (unshare refused): other test runs' JACK clients may collide" >&2
exec "$@"
