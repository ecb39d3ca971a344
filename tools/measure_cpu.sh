#!/bin/sh
# Processor use of a running program over a span of seconds, in per cent of
# one core, from the user and system times the kernel counts for it.
#   tools/measure_cpu.sh <pid> [seconds]
set -eu
pid=${1:?usage: measure_cpu.sh <pid> [seconds]}
seconds=${2:-30}
hz=$(getconf CLK_TCK)

# Fields 14 and 15 of /proc/<pid>/stat: user and system clock ticks. The
# command name (field 2) may hold blanks, so count from after its ")".
ticks() {
    sed 's/^.*) //' "/proc/$pid/stat" | awk '{ print $12 + $13 }'
}

start=$(ticks)
sleep "$seconds"
end=$(ticks)
awk -v used="$((end - start))" -v hz="$hz" -v s="$seconds" \
    'BEGIN { printf "%.1f%% of one core over %d s (%d ticks at %d Hz)\n", 100 * used / hz / s, s, used, hz }'
