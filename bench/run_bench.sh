#!/usr/bin/env bash
# run_bench.sh [BUILD_DIR] - generates a 1,000,000-record inventory and times the data set's
# operations on it, each in its own process, against `cat FILE > /dev/null` and the
# independent tools of peer_bench.sh timed in the same run. Use a Release build:
#   cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release
#   cmake --build build/release --target stowkeep-batch stowkeep-bench
#   nice bench/run_bench.sh build/release
# Work files go to $STOWKEEP_BENCH_WORK (default /tmp/stowkeep_bench): about 2 GB.
set -u
export LC_ALL=C
HERE=$(cd "$(dirname "$0")" && pwd)
BUILD=$(readlink -f "${1:-$HERE/../build/release}")
BATCH=$BUILD/src/stowkeep-batch
BENCH=$BUILD/bench/stowkeep-bench
PEER=${PEER_BENCH:-$HERE/../../shared/bench/peer_bench.sh}
WORK=${STOWKEEP_BENCH_WORK:-/tmp/stowkeep_bench}
RECORDS=${STOWKEEP_BENCH_RECORDS:-1000000}
[ -x "$BATCH" ] && [ -x "$BENCH" ] || { echo "build stowkeep-batch and stowkeep-bench in $BUILD first" >&2; exit 2; }
mkdir -p "$WORK" || exit 1
FILE=$WORK/INV.DBF
CONFIG=$WORK/STOWKP.INI # absent: default settings (sort by Category)

ROWS=()
# timed LABEL CMD...: runs CMD under /usr/bin/time; records wall seconds and peak RSS.
timed() {
    local label=$1
    shift
    local t0 t1 out
    sync
    t0=$EPOCHREALTIME
    out=$(/usr/bin/time -v -o "$WORK/time.txt" "$@" 2>"$WORK/err.txt")
    local rc=$?
    t1=$EPOCHREALTIME
    local secs kb
    secs=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }')
    kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$WORK/time.txt")
    local status=ok
    [ $rc -eq 0 ] || status="FAILED rc=$rc $(head -c 200 "$WORK/err.txt" | tr '\n' ' ')"
    ROWS+=("$label"$'\t'"$secs"$'\t'"$(awk -v k="${kb:-0}" 'BEGIN { printf "%.1f", k / 1024 }')"$'\t'"$status"$'\t'"${out#* * }")
    printf '  %-52s %9s s  %s\n' "$label" "$secs" "$status" >&2
}

echo "generating $RECORDS records..." >&2
rm -f "$WORK"/INV.*
timed "generate $RECORDS records + NewIndex (batch)" "$BATCH" --config "$CONFIG" generate "$FILE" "$RECORDS" --seed 1

cat "$FILE" >/dev/null; cat "$FILE" >/dev/null
timed "(a) cat FILE > /dev/null" bash -c "cat '$FILE' > /dev/null"
timed "(a) cat FILE > /dev/null" bash -c "cat '$FILE' > /dev/null"

# Import: the records as the export writes them (a title line, every field in quotes,
# quotation marks doubled, CR LF) into an empty inventory file with its sort index, against
# sqlite3 .import of the same text timed here; and the table itself as a dBASE import.
import_rows() {
    local text=$WORK/INV.TXT
    "$BENCH" write-text "$FILE" >/dev/null || echo "write-text failed" >&2
    cat "$text" >/dev/null
    timed "import the text into an empty file, index kept" "$BENCH" import-text "$text"
    timed "(i) sqlite3 .import of the same text, fresh db" \
        bash -c "rm -f '$WORK/import.db' && sqlite3 '$WORK/import.db' '.import --csv $text inv'"
    timed "import the table as a dBASE file, index kept" "$BENCH" import-dbf "$FILE"
    rm -f "$WORK"/IMPORTED.* "$WORK/import.db" "$text"
}

# The table of results; the second cat run is the anchor (warm cache).
print_table() {
    local base
    base=$(printf '%s\n' "${ROWS[2]}" | cut -f2)
    {
        echo "stowkeep-bench: $FILE ($(stat -c %s "$FILE") bytes now), $(nproc) cores, $(date -u '+%Y-%m-%d %H:%M UTC')"
        printf '%-52s %9s %9s %9s  %s\n' "operation" "seconds" "x cat" "peak MB" "status / detail"
        for r in "${ROWS[@]}"; do
            IFS=$'\t' read -r label secs mb status detail <<<"$r"
            ratio=$(awk -v s="$secs" -v b="$base" 'BEGIN { if (b > 0) printf "%.1f", s / b; else print "-" }')
            printf '%-52s %9s %9s %9s  %s %s\n' "$label" "$secs" "$ratio" "$mb" "$status" "$detail"
        done
        if [ -s "$WORK/peer.txt" ]; then
            echo
            cat "$WORK/peer.txt"
        fi
    } | tee "$WORK/table.txt"
}

# STOWKEEP_BENCH_ONLY=import times the import rows alone.
if [ "${STOWKEEP_BENCH_ONLY:-}" = import ]; then
    rm -f "$WORK/peer.txt"
    import_rows
    print_table
    exit 0
fi
import_rows

timed "build the sort index NewIndex" "$BENCH" index "$FILE"
timed "open + count + first screen (40 rows), index order" "$BENCH" first-screen "$FILE"
timed "browse: screens, search, walk (peak = memory)" "$BENCH" browse "$FILE"
timed "record count (visible records, full scan)" "$BENCH" count "$FILE"
timed "walk every record in index order" "$BENCH" walk "$FILE"
timed "filter over all records (Category, Cost)" "$BENCH" filter "$FILE"
timed "search (Location, Cost range): apply, count, screens" "$BENCH" search "$FILE"
timed "locate finding nothing (Description, at beginning)" "$BENCH" locate-start "$FILE"
timed "locate finding nothing (Description, anywhere)" "$BENCH" locate-any "$FILE"
timed "dump all records, physical order (batch)" bash -c "'$BATCH' --config '$CONFIG' dump '$FILE' --order physical > /dev/null"
timed "dump all records, index order (batch)" bash -c "'$BATCH' --config '$CONFIG' dump '$FILE' > /dev/null"

# Reports: the Short Narrow Report over 100,000 records (about 1,900 pages) into a text
# file, recorded for the preview and into a PDF; the Statistics/Summary Report grouped by
# category over all records.
FILE100K=$WORK/INV100K.DBF
rm -f "$WORK"/INV100K.*
"$BATCH" --config "$CONFIG" generate "$FILE100K" 100000 --seed 1 >/dev/null 2>&1
cat "$FILE100K" >/dev/null
timed "(a) cat 100,000-record FILE > /dev/null" bash -c "cat '$FILE100K' > /dev/null"
timed "report Short Narrow, 100,000 records, text file" "$BENCH" report-text "$FILE100K"
timed "report Short Narrow, 100,000 records, recorded" "$BENCH" report-record "$FILE100K"
timed "report Short Narrow, 100,000 records, PDF" "$BENCH" report-pdf "$FILE100K"
timed "preview of Short Narrow, 1,000,000 records: record, index, turn pages" "$BENCH" preview-pages "$FILE"
timed "report Statistics/Summary by category, text" "$BENCH" summary-text "$FILE"
timed "report Statistics/Summary by category, recorded" "$BENCH" summary-record "$FILE"
timed "report Statistics/Summary by category, PDF" "$BENCH" summary-pdf "$FILE"
rm -f "$WORK"/INV100K.* "$WORK"/INV.DBF.summary-*

# Export of every record in sort order, all 22 fields, into real files beside FILE, against
# pgdbf dumping the same table to /dev/null in this run.
if command -v pgdbf >/dev/null; then
    timed "(b) pgdbf FILE > /dev/null" bash -c "pgdbf '$FILE' > /dev/null"
fi
timed "export all records to delimited text (real file)" "$BENCH" export-text "$FILE"
timed "export all records to a dBASE file (real file)" "$BENCH" export-dbf "$FILE"
rm -f "$FILE.export.txt" "$FILE.EXPORT.DBF"

# The peer tools read the file as generated, before it is changed below.
if [ -x "$PEER" ]; then
    echo "running peer_bench.sh..." >&2
    PEER_BENCH_WORK=$WORK/peer bash "$PEER" "$FILE" >"$WORK/peer.txt" 2>"$WORK/peer.err" || true
fi

timed "search and replace, 10% of records changed" "$BENCH" replace10 "$FILE"
timed "record editor: show, store, previous/next (x200)" "$BENCH" edit "$FILE"
timed "append 100,000 records, index kept current" "$BENCH" append "$FILE"
"$BENCH" delete10 "$FILE" >/dev/null
timed "pack with 10% deleted (index regenerated)" "$BENCH" pack "$FILE"
timed "mdx_keys.pl --check after pack" "$HERE/../../shared/formats/oracles/mdx_keys.pl" --check "$WORK/INV.MDX" NEWINDEX

print_table
