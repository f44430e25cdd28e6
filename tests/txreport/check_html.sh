#!/usr/bin/env bash
# txreport --format html in a real browser: a page made from transcripts
# and checks that txreset and txcheck wrote on staged registries, as
# headless Chromium builds its DOM. One row per group of hosts with one
# status, map and problem (as --format jsonl and csv give them), not ok
# groups first, then the largest, then in name order; each row's hosts,
# count, status and sixteen cells; hosts on the --hosts list without a log
# (missing) grouped like any others, a log from before --since (stale)
# beside what it says, each log's time on its host's name; a hostile file name as text; the long
# line of a script that names a program it cannot find, whole; nothing
# fetched, only the page's own script, which the page's policy names by its
# digest. Then the page searched and linked to
# one host through its address, and its screenshot, as docs/txreport.md
# shows it.
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
for name in '<img src=x onerror=alert(1)>' pos01 pos02 pos03 pos04 pos05; do
  cp "$logs/web02.log" "$logs/$name.log"
done
head -c 300 "$logs/web01.log" >"$logs/app02.log"
printf '\xFF\xFEP\0r\0' >"$logs/ps01.log"
echo '<script>alert(1)</script>' >"$logs/kiosk01.log"
sysvol='\\corp.example.com\SYSVOL\corp.example.com\Policies'
sysvol+='\{31B2F340-016D-11D2-945F-00C04FB984F9}\Machine\Scripts\Startup'
script_line="txreset-startup.cmd: $sysvol\\x64\\txcheck.exe is missing"
printf '%s\r\n' "$script_line" >"$logs/gpo01.log"
registry "$(key rw 1)" "$value" "$(key rw 3)" 'value 4 00000000- ReportTxEarly'
"$txcheck" >"$logs/web04.log" || :
checked web05.log "$(key rw 1)" "$value" "$(key ro 6)" "$value" "$(key na 9)"

# The hosts that should report, as a list from Active Directory has them:
# two without a log, two logs from hosts not on it; and a log written long
# before the others.
printf '%s\r\n' '# OU=Servers' WEB01 web02 web03 web04 web05 app01 app02 db01 \
  db02 db03 pos01 pos02 pos03 pos04 pos05 ps01 gpo01 web98 web99 \
  >"$work/hosts.txt"
touch -d 2026-01-01T00:00:00Z "$logs/db02.log"
listed=(--hosts "$work/hosts.txt" --since 2026-02-01)

status=0
"$txreport" --format html "${listed[@]}" "$logs" >"$work/fleet.html" ||
  status=$?
[ "$status" -eq 1 ] || { echo "FAIL: exit status $status, not 1"; exit 1; }
"$txreport" --format csv "${listed[@]}" "$logs" >"$work/fleet.csv" || true
"$txreport" --format jsonl "${listed[@]}" "$logs" >"$work/fleet.jsonl" || true
dump() { # NAME PAGE: the DOM of the page, as opened at this address
  browser --dump-dom "file://$work/$2" >"$work/$1.html" \
    2>"$work/browser.log" || { cat "$work/browser.log"; exit 1; }
}
dump dom fleet.html
dump search 'fleet.html#search=WEB0'
dump linked 'fleet.html#host=%3Cimg%20src%3Dx%20onerror%3Dalert(1)%3E'
dump listed 'fleet.html#host=web99'
dump missing 'fleet.html#host=web77'
# Were markup ever to get into the page, its policy would let none of it run.
sed 's|<h2>|<img src=x onerror="document.title=1"><script>document.title=2</script>&|' \
  "$work/fleet.html" >"$work/injected-page.html"
dump injected injected-page.html

python3 - "$work" "$script_line" <<'PY'
import base64, csv, hashlib, json, re, sys
from html.parser import HTMLParser
work, script_line = sys.argv[1:]
letters = {"reset": "R", "written": "W", "not-opened": ".", "lost": "L",
           "write-failed": "F", "unknown": "?", "ok": "o", "absent": "-",
           "needs-reset": "N", "blocked": "B", "unreadable": "U"}

class Node:
    def __init__(self, tag, attrs, parent):
        self.tag, self.attrs, self.parent, self.kids = tag, dict(attrs), parent, []
    def text(self):
        return "".join(k if isinstance(k, str) else k.text() for k in self.kids)
    def all(self, tag):
        for kid in self.kids:
            if isinstance(kid, Node):
                yield from [kid] if kid.tag == tag else []
                yield from kid.all(tag)

class Dom(HTMLParser):  # the tree of a --dump-dom page, which closes each tag
    def __init__(self, path):
        super().__init__()
        self.root = self.at = Node("", [], None)
        self.fetching = []
        self.feed(open(path, encoding="utf-8").read())
    def handle_starttag(self, tag, attrs):
        node = Node(tag, attrs, self.at)
        if tag in ("img", "link", "iframe", "object", "embed") or \
                "src" in node.attrs or "href" in node.attrs:
            self.fetching.append(tag)
        self.at.kids.append(node)
        if tag not in ("col", "input", "meta", "br", "img", "hr", "wbr"):
            self.at = node
    def handle_endtag(self, tag):
        node = self.at
        while node.parent is not None and node.tag != tag:
            node = node.parent
        self.at = node.parent or self.root
    def handle_data(self, data):
        self.at.kids.append(data.strip("\n"))
        if "url(" in data:
            self.fetching.append("url(")
    def rows(self):  # each group: [names], count, status, cells, problem
        for tr in (t for t in self.root.all("tr") if t.parent.tag == "tbody"):
            cells = [c for c in tr.kids if isinstance(c, Node)]
            names = [li.text() for li in cells[0].all("li")] or [cells[0].text()]
            count = [s.text() for s in cells[0].all("summary")]
            yield tr, (names, count, cells[1].text(),
                       [(c.attrs.get("title"), c.text()) for c in cells[2:18]],
                       cells[18].text() if len(cells) > 18 else "")

failures = 0
def check(ok, what):
    global failures
    if not ok:
        print("FAIL:", what)
        failures += 1

words = {}
for host, instance, word in list(csv.reader(open(f"{work}/fleet.csv")))[1:]:
    words.setdefault(host, []).append(word)
groups, written = {}, {}
for h in map(json.loads, open(f"{work}/fleet.jsonl")):
    cells = (["unknown"] * 16 if h["status"] in ("unreadable", "missing")
             else words[h["host"]])
    status = h["status"] + (f" (found {h['found']})" if "found" in h else "")
    key = (status, tuple((w, letters[w]) for w in cells), h["problem"] or "")
    written[h["host"]] = h["written"]
    groups.setdefault(key, []).append(h["host"])
expected = [(sorted(names), [f"{len(names)} hosts"] if len(names) > 1 else [],
             key[0], list(key[1]), key[2]) for key, names in groups.items()]
expected.sort(key=lambda g: (g[2] == "ok", -len(g[0]), g[0][0]))
check(sorted(n for k, v in groups.items() if k[0] == "missing" for n in v) ==
      ["web98", "web99"], "the missing hosts are not web98 and web99")
check([k[0] for k, v in groups.items() if "db02" in v] == ["stale (found failed)"],
      "db02 is not stale")

dom = Dom(f"{work}/dom.html")
shown = [row for _, row in dom.rows()]
for row, want in zip(shown, expected):
    check(row == tuple(want), f"row {row}, not {want}")
check(len(shown) == len(expected), f"{len(shown)} rows for {len(expected)} groups")
check(["<img src=x onerror=alert(1)>"] ==
      [n for r in shown for n in r[0] if "<" in n],
      "the hostile name is not shown as text")
check([(["gpo01"], script_line)] ==
      [(r[0], r[4]) for r in shown if "gpo" in r[0][0]],
      "the script's line is not shown whole")
check([t.text() for t in Dom(f"{work}/injected.html").root.all("title")] ==
      [t.text() for t in dom.root.all("title")], "markup let in would run")
scripts = list(dom.root.all("script"))
check(len(scripts) == 1 and "src" not in scripts[0].attrs, "not one inline script")
raw = open(f"{work}/fleet.html", encoding="utf-8").read()
digests = re.findall(r"script-src 'sha256-([^']*)'", raw)
digest = [base64.b64encode(hashlib.sha256(s.encode()).digest()).decode()
          for s in re.findall(r"<script>(.*?)</script>", raw, re.S)]
check(digests == digest, f"the policy names {digests}, the script is {digest}")

titles = {}
for tr, _ in dom.rows():
    for e in list(tr.kids[0].all("li")) or [tr.kids[0]]:
        titles[e.text()] = e.attrs.get("title")
check(titles == {n: w and f"written {w}" for n, w in written.items()},
      f"the names' titles are {titles}")
check(titles["db02"] == "written 2026-01-01T00:00:00Z", "db02's time")
check(["2 hosts not on the list"] ==
      [li.text() for li in dom.root.all("li") if "list" in li.text()],
      "the summary does not count the hosts not on the list")

hostile, every = "<img src=x onerror=alert(1)>", [n for r in shown for n in r[0]]
for name, found, showing, marking in (
        ("dom", "", every, []),
        ("search", "5 hosts in 4 rows with \u201cWEB0\u201d in the name.",
         [n for n in every if "web0" in n.lower()], []),
        ("linked", f"Host \u201c{hostile}\u201d is marked below.", every, [hostile]),
        ("listed", "Host \u201cweb99\u201d is marked below.", every, ["web99"]),
        ("missing", "No host named \u201cweb77\u201d is on this page.", every, [])):
    page = Dom(f"{work}/{name}.html")
    check(page.fetching == [], f"{name}: the page would fetch: {page.fetching}")
    said = [s.text() for s in page.root.all("span") if s.attrs.get("id") == "found"]
    check(said == [found], f"{name}: the page says {said}")
    shows, marked = [], []
    for tr, _ in page.rows():
        for e in list(tr.kids[0].all("li")) or [tr.kids[0]]:
            shows += [] if "hidden" in e.attrs or "hidden" in tr.attrs else [e.text()]
            if e.attrs.get("aria-current") == "true":
                marked.append(e.text())
                while e := e.parent:
                    check(e.tag != "details" or "open" in e.attrs,
                          f"{name}: a <details> around the host is closed")
    check(shows == showing, f"{name}: the hosts shown are {shows}")
    check(marked == marking, f"{name}: the marked hosts are {marked}")
counts = ", ".join(f"{sum(len(r[0]) for r in shown if r[2].split()[0] == s)} {s}"
                   for s in ("ok", "needs-reset", "failed", "incomplete",
                             "unreadable", "stale", "missing"))
print(f"{len(shown)} rows for {sum(len(r[0]) for r in shown)} hosts; {counts};",
      "searched and linked")
sys.exit(failures != 0)
PY

screenshot "$work/fleet.html" "$work/fleet-report.png" 2>"$work/browser.log" ||
  { cat "$work/browser.log"; exit 1; }
png=$(head -c 8 "$work/fleet-report.png" | od -An -tx1 | tr -d ' ')
[ "$png" = 89504e470d0a1a0a ] || { echo "FAIL: the screenshot is no PNG"; exit 1; }
echo "ok: the html page, as the browser built it, and its screenshot"
