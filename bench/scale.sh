#!/bin/sh
# Wall time and peak memory of kore-cli opening long generated songs; see bench/scale.py.
exec python3 "$(dirname "$0")/scale.py" "$@"
