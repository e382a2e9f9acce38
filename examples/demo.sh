#!/usr/bin/env bash
# A short dmcalc session: parsing and printing values, unit conversions, and errors.
set -euo pipefail
DMCALC=${DMCALC:-dmcalc}

run() {
  printf '$ dmcalc'
  printf " '%s'" "$@"
  printf '\n'
  "$DMCALC" "$@" || true
  printf '\n'
}

run parse '[1,2.5,3;4,5,6]:km'
run parse '[1,-2;3,4]:m/s^2:int'
run convert '[1,2.5]:km' m
run convert '[60,100]:mph' 'km/h'
run convert_affine '[32,212]:degF' degC
run convert '[32,212]:degF' degC
run linear '[1]:psi'
run affine '[20]:degC'
run equals '[1000]:m' '[1]:km'
run parse '[1,abc]'
echo "$ dmcalc units | head -5"
"$DMCALC" units | head -5
