#!/bin/bash
# Builds the program and starts it on a demo install medium.
set -eu
echo "make demo: the demo install medium is not part of this build yet; 'make test' builds and tests what there is." >&2
exit 1
