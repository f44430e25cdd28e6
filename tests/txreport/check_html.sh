#!/usr/bin/env bash
# txreport --format html in a real browser: a page made from transcripts
# and checks that txreset and txcheck wrote on staged registries, as
# headless Chromium builds its DOM. One row per host, not ok hosts first,
# each in name order; each row's status (as --format jsonl gives it) and
# sixteen cells (the outcomes of --format csv, with their letters); a
# hostile file name as text; nothing fetched, no script. Then the page's
# screenshot, as docs/txreport.md shows it.
# Usage: check_html.sh SOURCE_DIR txreset_emulated txcheck_emulated txreport
#   WORK_DIR
set -euo pipefail
source_dir=$1 txreset=$2 txcheck=$3 txreport=$4 work=$5
. "$source_dir/scripts/browser"
logs=$work/logs
rm -rf "$work"
mkdir -p "$logs"

# Keys are "rw", "ro" (read only), "na" (no access) or "wf" (writes fail).
registry() { printf '%s\n' "$@" >"$work/registry"; }
export TXRESET_EMULATED_REGISTRY=$work/registry
transcript() { registry "${@:2}" && "$txreset" 2>"$logs/$1"; } # LOG KEY...
checked() { # LOG KEY...: a check, then txreset and a check, as recipes run
  registry "${@:2}"
  { "$txcheck" || :; } >"$logs/$1"
  { "$txreset" 2>&1 && "$txcheck" || :; } >>"$logs/$1"
}
key() { echo "key $1 SYSTEM\\CurrentControlSet\\Services\\Quorv$2\\Parameters"; }
value='value 4 07000000- ReportTxEarly'
transcript web01.log "$(key rw 1)" "$value" "$(key rw 3)"
transcript web02.log "$(key rw 1)" "$value"
transcript app01.log
transcript db01.log "$(key rw 1)" "$value" "$(key wf 2)" "$value"
transcript db02.log "$(key wf 5)"
cp "$logs/db01.log" "$logs/db03.log"
cp "$logs/web01.log" "$logs/web03.log"
cp "$logs/web02.log" "$logs/<img src=x onerror=alert(1)>.log"
head -c 300 "$logs/web01.log" >"$logs/app02.log"
printf '\xFF\xFEP\0r\0' >"$logs/ps01.log"
echo '<script>alert(1)</script>' >"$logs/kiosk01.log"
registry "$(key rw 1)" "$value" "$(key rw 3)" 'value 4 00000000- ReportTxEarly'
"$txcheck" >"$logs/web04.log" || :
checked web05.log "$(key rw 1)" "$value" "$(key ro 6)" "$value" "$(key na 9)"

status=0
"$txreport" --format html "$logs" >"$work/fleet.html" || status=$?
[ "$status" -eq 1 ] || { echo "FAIL: exit status $status, not 1"; exit 1; }
"$txreport" --format csv "$logs" >"$work/fleet.csv" || true
"$txreport" --format jsonl "$logs" >"$work/fleet.jsonl" || true
browser --dump-dom "file://$work/fleet.html" >"$work/dom.html" \
  2>"$work/browser.log" || { cat "$work/browser.log"; exit 1; }

python3 - "$work" <<'PY'
import csv, json, sys
from html.parser import HTMLParser
work = sys.argv[1]
letters = {"reset": "R", "written": "W", "not-opened": ".", "lost": "L",
           "write-failed": "F", "unknown": "?", "ok": "o", "absent": "-",
           "needs-reset": "N", "blocked": "B", "unreadable": "U"}

class Dom(HTMLParser):  # rows of table bodies: [title, text] a cell
    rows, cell, in_body, fetching = [], None, False, []
    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag in ("img", "script", "link", "iframe", "object", "embed") or \
                "src" in attrs or "href" in attrs:
            self.fetching.append(tag)
        self.in_body = self.in_body or tag == "tbody"
        if tag == "tr" and self.in_body:
            self.rows.append([])
        elif tag in ("th", "td") and self.in_body:
            self.cell = [attrs.get("title"), ""]
            self.rows[-1].append(self.cell)
    def handle_endtag(self, tag):
        self.in_body = self.in_body and tag != "tbody"
    def handle_data(self, data):
        if self.cell is not None:
            self.cell[1] += data.strip("\n")
        if "url(" in data:
            self.fetching.append("url(")

dom = Dom()
dom.feed(open(f"{work}/dom.html", encoding="utf-8").read())
words = {}
for host, instance, word in list(csv.reader(open(f"{work}/fleet.csv")))[1:]:
    words.setdefault(host, []).append(word)
hosts = [json.loads(line) for line in open(f"{work}/fleet.jsonl")]
hosts.sort(key=lambda h: (h["status"] == "ok", h["host"]))
expected = []
for h in hosts:
    cells = ["unknown"] * 16 if h["status"] == "unreadable" else words[h["host"]]
    expected.append([h["host"], h["status"]] + [(w, letters[w]) for w in cells])
shown = [[row[0][1], row[1][1]] + [tuple(c) for c in row[2:18]] for row in dom.rows]
failures = 0
def check(ok, what):
    global failures
    if not ok:
        print("FAIL:", what)
        failures += 1
for row, want in zip(shown, expected):
    check(row == want, f"row {row}, not {want}")
check(len(shown) == len(expected), f"{len(shown)} rows for {len(expected)} hosts")
check(all(len(row) in (18, 19) for row in dom.rows),
      "a row is not host, status, 16 cells, problem")
check(["<img src=x onerror=alert(1)>"] == [r[0] for r in shown if "<" in r[0]],
      "the hostile name is not shown as text")
check(dom.fetching == [], f"the page would fetch: {dom.fetching}")
cells = sum(len(r) - 2 for r in shown)
print(f"{len(dom.rows)} rows, one per host; {cells} instance cells;",
      ", ".join(f"{sum(r[1] == s for r in shown)} {s}"
                for s in ("ok", "needs-reset", "failed", "incomplete",
                          "unreadable")))
sys.exit(failures != 0)
PY

screenshot "$work/fleet.html" "$work/fleet-report.png" 2>"$work/browser.log" ||
  { cat "$work/browser.log"; exit 1; }
png=$(head -c 8 "$work/fleet-report.png" | od -An -tx1 | tr -d ' ')
[ "$png" = 89504e470d0a1a0a ] || { echo "FAIL: the screenshot is no PNG"; exit 1; }
echo "ok: the html page, as the browser built it, and its screenshot"
