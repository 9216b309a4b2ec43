#!/bin/sh
# The trainer's tests, under Debian's interpreter (the one that sees Debian's python3-torch and
# python3-numpy). Without them the tests are skipped: exit 77, which CTest reports as skipped.
python=/usr/bin/python3
if [ ! -x "$python" ]; then
    echo "skipped: $python is not installed (apt-get install python3)"
    exit 77
fi
if ! "$python" -c "import numpy, torch" 2>/dev/null; then
    echo "skipped: PyTorch or numpy is not installed for $python" \
         "(apt-get install python3-torch python3-numpy)"
    exit 77
fi
cd "$(dirname "$0")" || exit 1
exec env PYTHONDONTWRITEBYTECODE=1 "$python" -m unittest -v
