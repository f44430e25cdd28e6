"use strict";
(() => {
const find = document.getElementById("find");
const found = document.getElementById("found");
let groups = null; // a row each: its entries (a host each) and their names
let opened = null; // each <details> and whether the page opened it
function index() {
  if (groups === null) {
    groups = Array.from(document.querySelectorAll("tbody tr"), (row) => {
      const names = row.querySelectorAll(".n li");
      const entries = names.length !== 0 ? Array.from(names) : [row.cells[0]];
      const texts = entries.map((entry) => entry.textContent);
      return {row, entries, texts, lower: texts.map((t) => t.toLowerCase())};
    });
    opened = Array.from(document.querySelectorAll("details"), (d) => [d, d.open]);
  }
  return groups;
}
const count = (n, one, many) => `${n} ${n === 1 ? one : many}`;
function filter(text) {
  const want = text.toLowerCase();
  let hosts = 0;
  let rows = 0;
  for (const group of index()) {
    let hits = 0;
    group.entries.forEach((entry, at) => {
      const hit = group.lower[at].includes(want);
      hits += hit;
      if (group.entries.length > 1 && entry.hidden === hit) {
        entry.hidden = !hit;
      }
    });
    group.row.hidden = hits === 0;
    hosts += hits;
    rows += hits !== 0;
  }
  for (const part of document.querySelectorAll(".c")) {
    part.hidden = part.querySelector("tr:not([hidden])") === null;
  }
  for (const [details, open] of opened) {
    details.open = want === "" ? open
      : details.querySelector("tr:not([hidden]),li:not([hidden])") !== null;
  }
  found.textContent = want === "" ? ""
    : hosts === 0 ? `No host name contains “${text}”.`
    : `${count(hosts, "host", "hosts")} in ${count(rows, "row", "rows")}` +
      ` with “${text}” in the name.`;
}
function follow() {
  const link = /^#(host|search)=(.*)$/s.exec(location.hash);
  if (link === null) {
    return;
  }
  let value = link[2];
  try {
    value = decodeURIComponent(value);
  } catch (e) {
    // not percent-encoded: the text as it is
  }
  for (const marked of document.querySelectorAll("[aria-current]")) {
    marked.removeAttribute("aria-current");
  }
  find.value = link[1] === "search" ? value : "";
  filter(find.value);
  if (link[1] === "search") {
    return;
  }
  for (const group of index()) {
    const at = group.texts.indexOf(value);
    if (at !== -1) {
      const entry = group.entries[at];
      for (let e = entry.parentElement; e !== null; e = e.parentElement) {
        if (e.localName === "details") {
          e.open = true;
        }
      }
      entry.setAttribute("aria-current", "true");
      entry.scrollIntoView({block: "center"});
      found.textContent = `Host “${value}” is marked below.`;
      return;
    }
  }
  found.textContent = `No host named “${value}” is on this page.`;
}
let typing = 0; // a search waits for a pause in the typing
find.addEventListener("input", () => {
  clearTimeout(typing);
  typing = setTimeout(() => filter(find.value), 150);
});
addEventListener("hashchange", follow);
follow();
})();
