"""Fixtures of the xlxfilter tests: workbooks made with xlsxwriter, xlxrender of the same build
for comparisons, and the shared corpus's protected workbook.

Run against the build tree: PYTHONPATH=build/python XLX_BUILD_DIR=build python3 -m pytest python/tests
(an installed package is tested when PYTHONPATH is left out)."""
import os
import shutil

import pytest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.environ.get("XLX_BUILD_DIR") or os.path.join(ROOT, "build")
CORPUS = os.path.join(ROOT, "..", "shared", "corpus")
PROTECTED = ("encrypted/msoffcrypto__example_password.xlsx", "Password1234_")


def _make_book(path, rows, title):
    import xlsxwriter
    book = xlsxwriter.Workbook(path)
    book.set_properties({"title": title, "author": "Test Author"})
    sheet = book.add_worksheet("Sales")
    sheet.write_row(0, 0, ["Region", "Item", "Units", "Price", "Total", "Note", "Code", "Day"])
    for r in range(1, rows):
        sheet.write_row(r, 0, [f"R{r % 7}", f"item {r}", r * 3, r * 1.25, r * 3.75, "x" * (r % 13), r * 17 % 101, r])
    chart_sheet = book.add_worksheet("Chart")
    chart = book.add_chart({"type": "column"})
    chart.add_series({"values": ["Sales", 1, 2, 20, 2]})
    chart_sheet.insert_chart("B2", chart)
    book.close()


@pytest.fixture(scope="session")
def workbook(tmp_path_factory):
    """A workbook of several printed pages (a long sheet, then a chart) with a title and author."""
    path = str(tmp_path_factory.mktemp("books") / "sales.xlsx")
    _make_book(path, 160, "Quarterly Sales")
    return path


@pytest.fixture(scope="session")
def xlxrender():
    tool = os.environ.get("XLXRENDER") or os.path.join(BUILD, "tools", "xlxrender", "xlxrender")
    if not os.access(tool, os.X_OK):
        pytest.skip(f"no xlxrender at {tool} (set XLX_BUILD_DIR)")
    return tool


@pytest.fixture(scope="session")
def protected():
    """(path, password) of a password-protected workbook of the shared corpus."""
    path = os.path.join(CORPUS, PROTECTED[0])
    if not os.path.exists(path):
        pytest.skip("no shared corpus beside the source tree")
    return path, PROTECTED[1]


@pytest.fixture
def pdf_pages():
    """Page count of a PDF, read back with pdfinfo (poppler-utils)."""
    if not shutil.which("pdfinfo"):
        pytest.skip("pdfinfo is not installed")

    def count(path):
        import subprocess
        info = subprocess.run(["pdfinfo", path], check=True, capture_output=True, text=True).stdout
        return int(next(line.split()[1] for line in info.splitlines() if line.startswith("Pages:")))
    return count


def png_size(data):
    """(width, height) from a PNG's header."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    return int.from_bytes(data[16:20], "big"), int.from_bytes(data[20:24], "big")
