#!/bin/sh
# kestrom-cli as a shell sees it: usage errors, standard input and output, and what a failed
# write to standard output gives. Usage: exit_status.sh PATH/TO/kestrom-cli SAMPLE.bin
cli=$1
sample=$2
failed=0
expect() { # expect STATUS DESCRIPTION, after running a command
    got=$?
    if [ "$got" -ne "$1" ]; then
        echo "FAILED: $2: exit status $got, expected $1"
        failed=1
    fi
}

# Usage errors share the failure status 2; help keeps 0.
"$cli" >/dev/null 2>&1; expect 2 "no verb"
"$cli" nosuchverb >/dev/null 2>&1; expect 2 "an unknown verb"
"$cli" json >/dev/null 2>&1; expect 2 "json without a file"
"$cli" json --bogus "$sample" >/dev/null 2>&1; expect 2 "an unknown option"
"$cli" csv "$sample" --decimal >/dev/null 2>&1; expect 2 "an option without its value"
"$cli" --help >/dev/null 2>&1; expect 0 "--help"

# Standard input and output by name.
"$cli" json - < "$sample" > /dev/null; expect 0 "json - reading standard input"
tmp=$(mktemp -d)
"$cli" csv "$sample" > "$tmp/expected"
"$cli" csv "$sample" -o /dev/stdout | cmp -s - "$tmp/expected"; expect 0 "csv -o /dev/stdout to a pipe"
"$cli" csv "$sample" -o /dev/stdout > "$tmp/file"; cmp -s "$tmp/file" "$tmp/expected"
expect 0 "csv -o /dev/stdout to a file"

# A download to any name of standard output writes the flight alone there; the summary goes to
# stderr, so the file and the pipe hold the same bytes as "-o -".
"$cli" download --simulate --no-archive -o - > "$tmp/dash.kes" 2>/dev/null
for name in /dev/stdout /dev/fd/1 /proc/self/fd/1; do
    "$cli" download --simulate --no-archive -o "$name" > "$tmp/named.kes" 2>/dev/null
    expect 0 "download -o $name to a file"
    cmp -s "$tmp/named.kes" "$tmp/dash.kes"; expect 0 "download -o $name to a file holds the flight alone"
    "$cli" download --simulate --no-archive -o "$name" 2>/dev/null | cat > "$tmp/piped.kes"
    cmp -s "$tmp/piped.kes" "$tmp/dash.kes"; expect 0 "download -o $name down a pipe holds the flight alone"
done
"$cli" nosuchverb 2>&1 | grep -q "unknown verb 'nosuchverb'"; expect 0 "an unknown verb is named"
rm -r "$tmp"

# A write to standard output that fails is a failure of every verb.
"$cli" json "$sample" > /dev/full 2>/dev/null; expect 2 "json to a full disk"
"$cli" csv "$sample" > /dev/full 2>/dev/null; expect 2 "csv to a full disk"
"$cli" csv "$sample" -o - > /dev/full 2>/dev/null; expect 2 "csv -o - to a full disk"
"$cli" summary "$sample" > /dev/full 2>/dev/null; expect 2 "summary to a full disk"
"$cli" gen - > /dev/full 2>/dev/null; expect 2 "gen - to a full disk"
"$cli" download --simulate -o - > /dev/full 2>/dev/null; expect 2 "download -o - to a full disk"
"$cli" settings --simulate > /dev/full 2>/dev/null; expect 2 "settings to a full disk"
"$cli" devices > /dev/full 2>/dev/null; expect 2 "devices to a full disk"
"$cli" devices 2>&1 >/dev/full | grep -q "cannot write to standard output"
expect 0 "devices to a full disk says so"
exit $failed
