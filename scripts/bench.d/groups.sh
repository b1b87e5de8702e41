# Group member resolution: 100,000 people, groups of 5,000 and 50,000 members.
echo "== Groups"
"$1/bin/groups_bench" "$2"
