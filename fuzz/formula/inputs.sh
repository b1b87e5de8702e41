#!/usr/bin/env bash
# Large inputs for formula_fuzz (see scripts/fuzz-run.sh), too large to mutate
# quickly and read once: chains of 100,000 terms and two lists of 20,000
# values compared.
# Usage: fuzz/formula/inputs.sh CORPUS LARGE
set -euo pipefail
large=${2:?usage: inputs.sh CORPUS LARGE}
python3 - "$large" <<'PY'
import sys
out = sys.argv[1]
def write(name, text):
    with open(out + "/" + name, "w") as f:
        f.write(text)
write("or-chain.txt", " | ".join('Form = "X%d"' % i for i in range(100000)))
write("and-chain.txt", " & ".join('Form != "X%d"' % i for i in range(100000)))
write("colon-list.txt", "Form = " + ":".join('"X%d"' % i for i in range(100000)))
write("list-compare.txt", ":".join('"a%d"' % i for i in range(20000)) + " = " +
      ":".join('"b%d"' % i for i in range(20000)))
PY
