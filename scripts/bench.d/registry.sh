# Registry hive parsing and rewriting on a large generated hive.
echo "== Registry hive"
"$1/bin/hive_document_bench"
