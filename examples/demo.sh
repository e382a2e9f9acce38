#!/usr/bin/env bash
# A short dmcalc session. Each command comes with one line that says what it shows. DMCALC names the program (by
# default dmcalc on the PATH); ./build.sh demo builds it and runs this script.
set -euo pipefail
DMCALC=${DMCALC:-dmcalc}

# run "WHAT IT SHOWS" ARG...: prints the comment and the command line, then what dmcalc prints (errors included).
run() {
  local word
  printf '\n# %s\n$ dmcalc' "$1"
  shift
  for word in "$@"; do
    if [[ $word =~ ^[A-Za-z0-9_.,/=+-]+$ ]]; then
      printf ' %s' "$word"
    else
      printf " '%s'" "$word"
    fi
  done
  printf '\n'
  "$DMCALC" "$@" 2>&1 || true
}

"$DMCALC" --version
run "A value is a matrix with a unit and an element type; the text form prints all three." \
  parse '[1,2.5,3;4,5,6]:km'
run "convert changes the unit and scales the elements: 1 km is 1000 m." \
  convert '[1,2.5]:km' m
run "convert_affine converts temperatures as points on a scale: 32 degF and 212 degF are 0 degC and 100 degC." \
  convert_affine '[32,212]:degF' degC
run "convert converts differences: a rise of 32 degF or 212 degF is a rise of 17.8 or 117.8 degC (no offset)." \
  convert '[32,212]:degF' degC
run "Operands in commensurate units are scaled into the first operand's unit before adding." \
  plus '[1,2]:m' '[3,4]:km'
run "Units multiply with the elements." \
  times '[2]:m' '[3]:s'
run "eq compares element by element after scaling: 1000 m equals 1 km, so the logical result is 1." \
  eq '[1000]:m' '[1]:km'
run "equals asks whether two values are the same value (data, unit and type): 1000 m and 1 km are not, so 0." \
  equals '[1000]:m' '[1]:km'
run "Comparisons give logical (uchar) results: 999 m is less than 1 km, 1001 m is not." \
  lt '[999,1001]:m' '[1]:km'
run "Temperatures on scales with different zero points cannot be compared; the error says why." \
  gt '30:degC' '300:K'
run "Integer types wrap like the C types: 250 + 10 in uchar is 4." \
  plus '[250,100]::uchar' '[10,200]::uchar'
run "The matrix product of a 2-by-3 and a 3-by-2 matrix." \
  mtimes '[1,2,3;4,5,6]' '[7,8;9,10;11,12]'
run "Concatenation scales every operand into the first one's unit." \
  vertcat '[1,2]:m' '[3,4]:km'
run "subsref picks rows and columns by 0-based position; here rows 1 and 0, column 2 twice." \
  subsref '[1,2,3;4,5,6]:m' 1,0 2,2
run "--precision asks for more significant digits than the text form's six." \
  --precision 12 convert '[1]:mi' m
run "Bad input gives an error with an identifier and a sentence; nothing is computed." \
  parse '[1,abc]'
printf '\n# The unit table, first lines.\n$ dmcalc units | head -3\n'
"$DMCALC" units | head -3 || true
