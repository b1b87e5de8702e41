# 100,000 contacts into one new PST through the store session, against cp.
echo "== PST store"
"$1/bin/pst_bench" 100000
