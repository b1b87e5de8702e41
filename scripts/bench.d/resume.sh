# Resuming an export: reading back what a 100,000-contact PST export saved,
# choosing and opening the PST to continue, replacing 1% in place; the
# journal of file outputs and MSG identities.
echo "== Resume"
"$1/bin/resume_bench" 100000
