#!/usr/bin/env bash
# Runs Ventaro against the sample server on a free local port, so that the
# program has weather to show without a network.
#
#   tools/demo.sh [--live] [further sample server options, e.g. --fault trickle]
#
# With --live the server serves the live fixtures (decoded observations,
# station and zone records, zone forecast products, alerts, satellite
# pictures) and the program is pointed at them through the live layer's
# address templates instead of the three hosts. Denver's zone then has a
# Winter Storm Warning in effect (--alerts chooses others, comma-separated:
# none, one, two, update, cancel, county for a Snow Squall Warning of
# Denver's county, firezone for a Red Flag Warning of its fire weather zone,
# twice, fail).
#
# The program keeps what it learns of the stations and the answers it got
# in a cache folder of its own for the demonstration, so that nothing the
# sample server said stays in the user's cache.
#
# VENTARO_BUILD_DIR names the build directory (default: build under the
# repository root).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VENTARO_BUILD_DIR:-$root/build}"
server="$build/tools/sampleserver/ventaro-sample-server"
program="$build/app/ventaro"

for executable in "$server" "$program"; do
    if [[ ! -x "$executable" ]]; then
        echo "demo: $executable is missing; build it first" >&2
        exit 1
    fi
done

live=false
if [[ "${1:-}" == "--live" ]]; then
    live=true
    shift
    set -- --live "$@"
fi

# The weather service's text products carry CR LF line ends, which the
# forecast cuts are made for.
coproc SAMPLE_SERVER { exec "$server" --port 0 --crlf "$@"; }
server_pid=$SAMPLE_SERVER_PID
cache="$(mktemp -d)"
trap 'kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; rm -rf "$cache"' EXIT
export XDG_CACHE_HOME="$cache"

# The server's first line names its port once it listens.
if ! read -r -t 30 line <&"${SAMPLE_SERVER[0]}"; then
    echo "demo: the sample server did not start" >&2
    exit 1
fi
host="${line#listening on }"
if [[ "$host" == "$line" ]]; then
    echo "demo: unexpected first line from the sample server: $line" >&2
    exit 1
fi
echo "demo: sample server at $host" >&2

if $live; then
    # No host variables: the live layer is what answers when none is set.
    export VENTARO_OBSERVATION_URL="http://$host/data/observations/metar/decoded/{station}.TXT"
    export VENTARO_ZONE_FORECAST_URL="http://$host/products/types/ZFP/locations/{office}/latest"
    export VENTARO_SATELLITE_URL="http://$host/{satellite}/ABI/{sector}/{band}/{size}.jpg"
    export VENTARO_STATION_URL="http://$host/stations/{station}"
    export VENTARO_ZONE_URL="http://$host/zones/forecast/{zone}"
    export VENTARO_ALERTS_URL="http://$host/alerts/active?zone={zones}"
else
    export VENTARO_CONDITIONS_HOST="$host"
    export VENTARO_FORECAST_HOST="$host"
    export VENTARO_SATELLITE_HOST="$host"
fi
"$program"
