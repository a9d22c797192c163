#!/usr/bin/env bash
# A population on a real Slurm cluster of one node: starts munged, slurmctld
# and slurmd on this machine with a minimal configuration (no cgroup plugins,
# all state in a temporary directory), submits six short planets as a job
# array of three tasks with the collect job after it, waits (bounded) and
# checks the summary. Stops the daemons it started, and only those.
#
#   slurm_population.sh VELKARO_GRID SOURCE_DIR
#
# Exit 0 passed, 1 failed, 77 skipped (Slurm missing or not startable here;
# the reason is printed).
set -uo pipefail

grid=$1
src=$2
skip() { echo "SKIPPED: $*"; exit 77; }

for p in munged slurmctld slurmd sbatch squeue sinfo; do
  command -v "$p" >/dev/null 2>&1 || [ -x "/usr/sbin/$p" ] || skip "$p is not installed (Debian: apt-get install slurm-wlm munge)"
done
export PATH="$PATH:/usr/sbin"
[ "$(id -u)" = 0 ] || skip "slurmd must run as root to start jobs, and this test runs as $(id -un)"

tmp=$(mktemp -d /tmp/velkaro-slurm.XXXXXX)
chmod 700 "$tmp"
pids=()
cleanup() {
  for f in "$tmp/slurmd.pid" "$tmp/slurmctld.pid" "$tmp/munged.pid"; do
    [ -s "$f" ] && kill "$(cat "$f")" 2>/dev/null
  done
  sleep 1
  for f in "$tmp/slurmd.pid" "$tmp/slurmctld.pid" "$tmp/munged.pid"; do
    [ -s "$f" ] && kill -9 "$(cat "$f")" 2>/dev/null
  done
  if [ "${KEEP_SLURM_TMP:-0}" = 1 ]; then echo "kept $tmp"; else rm -rf "$tmp"; fi
}
trap cleanup EXIT
show_logs() { for f in "$tmp"/*.log; do echo "== $f"; tail -20 "$f"; done; }

# munge: a key of our own and a socket in the temporary directory.
dd if=/dev/urandom of="$tmp/munge.key" bs=1024 count=1 status=none
chmod 600 "$tmp/munge.key"
mkdir -m 700 "$tmp/munge"
munged --force --key-file="$tmp/munge.key" --socket="$tmp/munge/munge.sock" \
  --pid-file="$tmp/munged.pid" --log-file="$tmp/munged.log" --seed-file="$tmp/munge.seed" \
  || { show_logs; skip "munged does not start here (see its log above)"; }

host=$(hostname -s)
base_port=$((20000 + RANDOM % 20000))
mkdir -p "$tmp/state" "$tmp/spool"
cat >"$tmp/slurm.conf" <<EOF
ClusterName=velkarotest
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$base_port
SlurmdPort=$((base_port + 1))
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$tmp/munge/munge.sock
StateSaveLocation=$tmp/state
SlurmdSpoolDir=$tmp/spool
SlurmctldPidFile=$tmp/slurmctld.pid
SlurmdPidFile=$tmp/slurmd.pid
SlurmctldLogFile=$tmp/slurmctld.log
SlurmdLogFile=$tmp/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
MpiDefault=none
ReturnToService=2
SlurmctldTimeout=30
SlurmdTimeout=30
NodeName=$host NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=velkaro Nodes=$host Default=YES MaxTime=INFINITE State=UP
EOF
export SLURM_CONF=$tmp/slurm.conf

slurmctld -f "$SLURM_CONF" || { show_logs; skip "slurmctld does not start here (see its log above)"; }
slurmd -f "$SLURM_CONF" || { show_logs; skip "slurmd does not start here (see its log above)"; }

# The node must come up idle within 60 s.
state=""
for _ in $(seq 60); do
  state=$(sinfo -h -n "$host" -o %T 2>/dev/null | head -1)
  [ "$state" = idle ] && break
  sleep 1
done
[ "$state" = idle ] || { show_logs; skip "the Slurm node did not become idle (state '${state}')"; }

# Six short planets (2 Myr) around the Jupiter example, three array tasks.
work=$tmp/work
mkdir -p "$work"
cat >"$work/grid.txt" <<EOF
base $src/examples/jupiter
Mcore list 10 20 30
Menve list 200 300
tmax list 2e6
EOF
"$grid" expand "$work/grid.txt" "$work/planets.csv" || exit 1
out=$work/out
ids=$("$grid" slurm "$work/planets.csv" "$out" --tasks 3 --cpus-per-task 1 --time 10) || { show_logs; exit 1; }
echo "$ids"
collect=$(echo "$ids" | awk '/collect job/ {print $3}')
[ -n "$collect" ] || { echo "FAILED: no collect job id"; exit 1; }

# Wait (at most 500 s: the sanitizer build is slow) until the collect job has left the queue.
for _ in $(seq 500); do
  squeue -h -j "$collect" 2>/dev/null | grep -q . || break
  sleep 1
done
if squeue -h -j "$collect" 2>/dev/null | grep -q .; then
  squeue; show_logs; echo "FAILED: the jobs did not finish within 500 s"; exit 1
fi

sum=$out/summary.csv
[ -f "$sum" ] || { ls -R "$out"; cat "$out"/slurm/*.out; show_logs; echo "FAILED: no summary.csv"; exit 1; }
cat "$sum" | cut -c1-100
rows=$(($(wc -l <"$sum") - 1))
completed=$(awk -F, 'NR > 1 && $5 == "completed" && $6 == "1"' "$sum" | wc -l)
logs=$(ls "$out"/slurm/run-*.out 2>/dev/null | wc -l)
[ "$rows" = 6 ] || { echo "FAILED: $rows planets in the summary, 6 expected"; exit 1; }
[ "$completed" = 6 ] || { cat "$out"/slurm/*.out; echo "FAILED: $completed of 6 planets completed with stop code 1"; exit 1; }
[ "$logs" = 3 ] || { echo "FAILED: $logs array task logs, 3 expected"; exit 1; }
echo "PASSED: 6 planets in 3 array tasks and the collect job"
exit 0
