// The viewer page served at "/": plain HTML, CSS and JavaScript, no build step. It uploads the
// chosen workbook to POST /documents, draws the thumbnail strip one page after another, shows a
// page large with zoom, links the PDF, and asks for a password when the workbook needs one.
#include "service.h"

const char* WebPageHtml() {
  return R"HTML(<!doctype html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>xlxserve: workbook preview</title>
<style>
  body { font: 15px/1.4 system-ui, sans-serif; margin: 0; color: #222; background: #f4f4f2; }
  header { padding: 12px 20px; background: #1f4e3d; color: #fff; display: flex; gap: 16px; align-items: center; }
  header h1 { font-size: 18px; margin: 0; font-weight: 600; }
  #drop { margin: 16px 20px; padding: 22px; border: 2px dashed #8a9; border-radius: 8px; text-align: center; background: #fff; }
  #drop.over { background: #e6f2ec; border-color: #1f4e3d; }
  #message { margin: 0 20px; min-height: 1.4em; }
  #message.error { color: #a11; }
  #passwordForm { margin: 8px 20px; display: none; gap: 8px; align-items: center; }
  #passwordForm.shown { display: flex; }
  main { display: flex; gap: 16px; margin: 8px 20px 20px; align-items: flex-start; }
  #thumbs { display: flex; flex-direction: column; gap: 10px; width: 170px; max-height: 80vh; overflow-y: auto; }
  #thumbs figure { margin: 0; cursor: pointer; text-align: center; font-size: 12px; color: #555; }
  #thumbs img { max-width: 150px; border: 1px solid #bbb; background: #fff; display: block; margin: 0 auto; }
  #thumbs figure.current img { outline: 3px solid #1f4e3d; }
  #viewer { flex: 1; overflow: auto; max-height: 80vh; background: #ddd; padding: 10px; display: none; }
  #viewer img { background: #fff; box-shadow: 0 1px 4px #0004; display: block; margin: 0 auto; }
  #tools { display: none; gap: 8px; align-items: center; margin: 0 20px; }
  #tools.shown { display: flex; }
  button, .button { font: inherit; padding: 4px 10px; border: 1px solid #1f4e3d; border-radius: 4px; background: #fff;
                    color: #1f4e3d; text-decoration: none; cursor: pointer; }
</style>
</head>
<body>
<header><h1>Workbook preview</h1></header>
<div id="drop">Drop a workbook (.xlsx, .xlsm, .xlsb) here, or <input type="file" id="file" accept=".xlsx,.xlsm,.xlsb"></div>
<p id="message" role="status"></p>
<form id="passwordForm">
  <label for="password">Password</label>
  <input type="password" id="password" autocomplete="off">
  <button type="submit" id="passwordOk">Open</button>
</form>
<div id="tools">
  <button id="zoomOut" title="Zoom out">&minus;</button><span id="zoomLabel">100%</span>
  <button id="zoomIn" title="Zoom in">+</button>
  <a id="pdf" class="button" href="#" download>Download PDF</a>
  <span id="pageLabel"></span>
</div>
<main>
  <div id="thumbs"></div>
  <div id="viewer"><img id="page" alt=""></div>
</main>
<script>
"use strict";
const THUMB_DPI = 24, ZOOMS = [0.5, 0.75, 1, 1.25, 1.5, 2, 3];
const state = { file: null, doc: null, page: 0, zoom: 2, run: 0 };
const $ = (id) => document.getElementById(id);

function say(text, isError) {
  $("message").textContent = text;
  $("message").className = isError ? "error" : "";
}

async function upload(file, password) {
  state.file = file;
  const run = ++state.run;
  say("Reading " + file.name + "…");
  const headers = { "Content-Type": "application/octet-stream" };
  if (password !== undefined) headers["X-Password"] = password;
  let answer, body;
  try {
    answer = await fetch("/documents", { method: "POST", body: file, headers });
    body = await answer.json();
  } catch (e) {
    return say("The service could not be reached: " + e, true);
  }
  if (run !== state.run) return;
  if (answer.status === 401 || answer.status === 403) return askPassword(answer.status === 403);
  $("passwordForm").classList.remove("shown");
  if (!answer.ok) return say(body.error + " (code " + body.code + ")", true);
  show(body, run);
}

function askPassword(wrong) {
  $("passwordForm").classList.add("shown");
  $("password").value = "";
  $("password").focus();
  say(wrong ? "Wrong password: try again." : "This workbook is protected: enter its password.", true);
  $("passwordForm").dataset.reason = wrong ? "wrong" : "required";
}

function pageUrl(n, dpi) { return "/documents/" + state.doc.id + "/pages/" + n + ".png?dpi=" + dpi; }

async function show(doc, run) {
  state.doc = doc;
  $("thumbs").replaceChildren();
  $("viewer").style.display = "none";
  $("tools").classList.add("shown");
  $("pdf").href = "/documents/" + doc.id + ".pdf";
  $("pdf").setAttribute("download", state.file.name.replace(/\.[^.]*$/, "") + ".pdf");
  for (let n = 1; n <= doc.pages; n++) {
    if (run !== state.run) return;
    say("Drawing page " + n + " of " + doc.pages + "…");
    const ok = await addThumb(n);
    if (!ok) return say("Page " + n + " could not be drawn.", true);
    if (n === 1) open(1);
  }
  say(doc.pages + (doc.pages === 1 ? " page" : " pages") + ", ready.");
  $("thumbs").dataset.done = "1";
}

function addThumb(n) {
  return new Promise((resolve) => {
    const figure = document.createElement("figure");
    const img = new Image();
    img.alt = "page " + n;
    img.onload = () => { $("thumbs").appendChild(figure); resolve(true); };
    img.onerror = () => resolve(false);
    figure.append(img, document.createTextNode(String(n)));
    figure.addEventListener("click", () => open(n));
    img.src = pageUrl(n, THUMB_DPI);
  });
}

function open(n) {
  state.page = n;
  [...$("thumbs").children].forEach((f, i) => f.classList.toggle("current", i + 1 === n));
  $("viewer").style.display = "block";
  $("pageLabel").textContent = "Page " + n + " of " + state.doc.pages;
  drawPage();
}

function drawPage() {
  const zoom = ZOOMS[state.zoom];
  $("zoomLabel").textContent = Math.round(zoom * 100) + "%";
  $("page").alt = "page " + state.page;
  $("page").src = pageUrl(state.page, Math.round(96 * zoom));
}

function zoomBy(step) {
  state.zoom = Math.max(0, Math.min(ZOOMS.length - 1, state.zoom + step));
  if (state.page) drawPage();
}

$("file").addEventListener("change", (e) => { if (e.target.files[0]) upload(e.target.files[0]); });
$("drop").addEventListener("dragover", (e) => { e.preventDefault(); $("drop").classList.add("over"); });
$("drop").addEventListener("dragleave", () => $("drop").classList.remove("over"));
$("drop").addEventListener("drop", (e) => {
  e.preventDefault();
  $("drop").classList.remove("over");
  if (e.dataTransfer.files[0]) upload(e.dataTransfer.files[0]);
});
$("passwordForm").addEventListener("submit", (e) => { e.preventDefault(); upload(state.file, $("password").value); });
$("zoomIn").addEventListener("click", () => zoomBy(1));
$("zoomOut").addEventListener("click", () => zoomBy(-1));
</script>
</body>
</html>
)HTML";
}
