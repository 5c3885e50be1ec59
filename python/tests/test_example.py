"""The package's introductory example, run as written, and what each of its calls gives."""
import os
import re
import shutil

import pytest

import xlxfilter
from conftest import png_size

EXAMPLE = '''
import xlxfilter
book = xlxfilter.open("book.xlsx", password=None)      # or bytes / a binary file object
book.page_count, book.pages[0].size, book.pages[0].range  # ("Sheet1!A1:H52")
png = book.pages[0].png(dpi=96)                          # bytes; .jpeg(quality=85), .svg()
img = book.pages[0].image(dpi=150)                       # a Pillow image when Pillow is there
book.save_pdf("book.pdf")
for page in book.render_all(format="png", threads=2): ...
xlxfilter.convert("in.xlsx", "out.pdf")                  # the CLI's options as keywords
book.metadata                                            # document properties as a dict
'''


def test_example_runs_as_written(workbook, tmp_path, monkeypatch, pdf_pages):
    pytest.importorskip("PIL")
    shutil.copy(workbook, tmp_path / "book.xlsx")
    shutil.copy(workbook, tmp_path / "in.xlsx")
    monkeypatch.chdir(tmp_path)
    scope = {}
    exec(compile(EXAMPLE, "example", "exec"), scope)
    book, png, img = scope["book"], scope["png"], scope["img"]

    assert book.page_count >= 3
    width, height = book.pages[0].size
    assert png_size(png) == (width, height)
    assert re.fullmatch(r"Sales!A1:[A-Z]+\d+", book.pages[0].range)
    # 150 dpi against the 96 dpi size, to the pixel's rounding.
    assert img.mode == "RGB"
    assert abs(img.size[0] - width * 150 / 96) <= 1 and abs(img.size[1] - height * 150 / 96) <= 1
    assert pdf_pages("book.pdf") == book.page_count
    assert pdf_pages("out.pdf") == book.page_count
    assert scope["page"].number == book.page_count  # the loop ran to the last page
    assert book.metadata["title"] == "Quarterly Sales"
    assert book.metadata["author"] == "Test Author"


def test_render_all_gives_every_page_in_order_in_each_format(workbook):
    with xlxfilter.open(workbook) as book:
        expected = list(range(1, book.page_count + 1))
        for format, head in (("png", b"\x89PNG"), ("jpeg", b"\xff\xd8\xff"), ("svg", b"<?xml")):
            for threads in (1, 3):
                pages = list(book.render_all(format=format, threads=threads))
                assert [p.number for p in pages] == expected, (format, threads)
                assert all(p.format == format and p.data.startswith(head) for p in pages), (format, threads)
        assert [p.number for p in book.render_all(pages=[3, 1])] == [3, 1]


def test_page_formats_agree_on_the_page(workbook):
    pil = pytest.importorskip("PIL.Image")
    import io
    with xlxfilter.open(workbook, dpi=72) as book:
        page = book.pages[-1]
        assert page.number == book.page_count and page.range.startswith("Chart!")
        size = page.size
        assert png_size(page.png()) == size
        jpeg = pil.open(io.BytesIO(page.jpeg(quality=90)))
        assert jpeg.format == "JPEG" and jpeg.size == size and jpeg.info["dpi"] == (72, 72)
        decoded = pil.open(io.BytesIO(page.png())).convert("RGB")
        assert decoded.tobytes() == page.image().tobytes()  # the same pixels by both roads
        svg = page.svg().decode()
        points = (size[0] * 72 / book.dpi, size[1] * 72 / book.dpi)
        assert 'width="%gpt" height="%gpt"' % points in svg
        assert len(page.jpeg(quality=10)) < len(page.jpeg(quality=95))
