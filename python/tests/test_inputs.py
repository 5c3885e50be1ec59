"""Workbooks from paths, bytes and file objects; keyword options; convert()."""
import io
import os
import pathlib

import pytest

import xlxfilter
from conftest import png_size
from xlxfilter._options import option_words


def _first_pages(book):
    return book.page_count, [book.pages[i].png() for i in (0, -1)], [p.range for p in book.pages]


@pytest.mark.parametrize("wrap", [
    lambda path: pathlib.Path(path),
    lambda path: open(path, "rb").read(),
    lambda path: bytearray(open(path, "rb").read()),
    lambda path: memoryview(open(path, "rb").read()),
    lambda path: io.BytesIO(open(path, "rb").read()),
    lambda path: open(path, "rb"),
], ids=["pathlike", "bytes", "bytearray", "memoryview", "bytesio", "file"])
def test_every_kind_of_source_gives_the_same_pages(workbook, wrap):
    with xlxfilter.open(workbook) as by_path, xlxfilter.open(wrap(workbook)) as other:
        assert _first_pages(other) == _first_pages(by_path)
        assert other.metadata == by_path.metadata


def test_protected_workbook_from_path_and_bytes(protected, xlxrender, tmp_path):
    import subprocess
    path, password = protected
    subprocess.run([xlxrender, "-q", "--password", password, "-o", str(tmp_path / "p%d.png"), path], check=True)
    expected = (tmp_path / "p1.png").read_bytes()
    (tmp_path / "password.txt").write_text(password + "\n")
    opened = [xlxfilter.open(path, password=password), xlxfilter.open(open(path, "rb").read(), password=password),
              xlxfilter.open(path, password_file=tmp_path / "password.txt")]
    properties = opened[0].metadata
    for book in opened:
        with book:
            assert book.page_count >= 1 and book.pages[0].png() == expected
            assert book.metadata == properties


def test_options_shape_the_pages(workbook):
    with xlxfilter.open(workbook) as plain:
        width, height = plain.pages[0].size
        count = plain.page_count
    with xlxfilter.open(workbook, dpi=48) as small:
        assert small.dpi == 48 and small.pages[0].size == (round(width / 2), round(height / 2))
    with xlxfilter.open(workbook, paper="a4", paginate=True, margins=0.5) as a4:
        assert a4.pages[0].size == (round(210 / 25.4 * 96), round(297 / 25.4 * 96))
    with xlxfilter.open(workbook, sheet_pages=True) as sheets:
        assert sheets.page_count == 2 and sheets.page_count < count
    with xlxfilter.open(workbook, pages=[1, 3]) as some, xlxfilter.open(workbook, first_page=2, last_page=3) as span:
        assert some.selected_pages() == [1, 3] and span.selected_pages() == [2, 3]
        assert [p.number for p in some.render_all()] == [1, 3]


@pytest.mark.parametrize("options, words", [
    ({"dpi": 150, "gridlines": True, "hidden_sheets": False}, ["-r", "150", "--gridlines"]),
    ({"pages": range(1, 4)}, ["--pages", "1,2,3"]),
    ({"pages": "2-N"}, ["--pages", "2-N"]),
    ({"margins": (0.5, 1, 0.25, 2)}, ["--margins", "0.5,1.0,0.25,2.0"]),
    ({"paper": "8.5x14in", "fit": "width", "threads": 2}, ["--paper", "8.5x14in", "--fit", "width", "-j", "2"]),
    ({"password_file": pathlib.Path("pw.txt"), "dpi": None}, ["--password-file", "pw.txt"]),
])
def test_keywords_become_command_line_words(options, words):
    assert option_words(options) == words


def test_convert_writes_what_xlxrender_would(workbook, tmp_path, pdf_pages):
    with xlxfilter.open(workbook) as book:
        count = book.page_count
        pages = [book.pages[i].png() for i in range(count)]
    written = xlxfilter.convert(workbook, str(tmp_path / "out.png"), threads=2)
    assert written == [str(tmp_path / f"out-{n}.png") for n in range(1, count + 1)]
    assert [open(f, "rb").read() for f in written] == pages
    assert xlxfilter.convert(workbook, tmp_path / "p%d.svg", pages="2") == [str(tmp_path / "p2.svg")]
    assert (tmp_path / "p2.svg").read_bytes().startswith(b"<?xml")
    assert xlxfilter.convert(open(workbook, "rb"), str(tmp_path / "two.pdf"), last_page=2) == [str(tmp_path / "two.pdf")]
    assert pdf_pages(str(tmp_path / "two.pdf")) == 2
    first = xlxfilter.convert(workbook, str(tmp_path / "p%d.png"), dpi=48, pages=[1])
    width, height = png_size(pages[0])
    assert png_size(open(first[0], "rb").read()) == (round(width / 2), round(height / 2))
