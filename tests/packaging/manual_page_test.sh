#!/bin/sh
# The manual page renders with no warning from man or troff (a warning is text lost or
# misread, such as a line starting with a dot read as a macro).
set -eu
warnings=$(man --warnings -E UTF-8 -l "$1" 2>&1 >/dev/null)
if [ -n "$warnings" ]; then
  echo "$1: $warnings"
  exit 1
fi
