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
run plus '[1,2]:m' '[3,4]:km'
run lt '[999,1001]:m' '[1]:km'
run plus '[250,100]::uchar' '[10,200]::uchar'
run plus '[2147483647]::int' '[1]::int'
run mtimes '[1,2,3;4,5,6]' '[7,8;9,10;11,12]'
run times '[2]:m' '[3]:s'
run power '[3]:m' 2
run gt '30:degC' '300:K'
run vertcat '[1,2]:m' '[3,4]:km'
run horzcat '[1;2]:s' '[3;4]:min'
run subsref '[1,2,3;4,5,6]:m' 1,0 2,2
run lower '[1,2.5;3,4]'
echo "$ dmcalc units | head -5"
"$DMCALC" units | head -5
