"""Failures raise the package's exception family with the filter's result code; closed books
refuse every use."""
import io
import os
import zipfile

import pytest

import xlxfilter


def _truncated(workbook):
    return open(workbook, "rb").read()[:300]


def _not_a_workbook(workbook):
    return b"Region,Units\nNorth,3\n" * 20


def _zip_without_workbook(workbook):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as z:
        z.writestr("[Content_Types].xml", "<Types/>")
        z.writestr("word/document.xml", "<document/>")
    return buffer.getvalue()


@pytest.mark.parametrize("make, error, code", [
    (_truncated, xlxfilter.DamagedWorkbook, None),
    (_zip_without_workbook, xlxfilter.DamagedWorkbook, -9),
    (_not_a_workbook, xlxfilter.UnsupportedWorkbook, None),
    (lambda w: "/nonexistent/folder/book.xlsx", xlxfilter.FileAccessError, -10),
])
def test_unreadable_sources(workbook, make, error, code):
    with pytest.raises(error) as raised:
        xlxfilter.open(make(workbook))
    assert isinstance(raised.value, xlxfilter.Error) and raised.value.code < 0
    assert code is None or raised.value.code == code
    assert str(raised.value.code) in str(raised.value) and raised.value.message


@pytest.mark.parametrize("password, error, code", [
    (None, xlxfilter.PasswordRequired, -1876),
    ("", xlxfilter.PasswordRequired, -1876),
    ("not the password", xlxfilter.WrongPassword, -912),
])
def test_password_failures(protected, password, error, code):
    path, _ = protected
    with pytest.raises(error) as raised:
        xlxfilter.open(path, password=password)
    assert raised.value.code == code and isinstance(raised.value, xlxfilter.PasswordError)


@pytest.mark.parametrize("options, error", [
    ({"paper": "huge"}, xlxfilter.InvalidRequest),
    ({"dpi": 0}, xlxfilter.InvalidRequest),
    ({"dpi": 5000}, xlxfilter.InvalidRequest),
    ({"pages": "3-1"}, xlxfilter.InvalidRequest),
    ({"print": True, "paginate": True}, xlxfilter.InvalidRequest),
    ({"margins": (1, 2)}, ValueError),
    ({"dpi": "96"}, TypeError),
    ({"gridlines": 1}, TypeError),
    ({"paper": "a4\0x"}, ValueError),
    ({"colour": "red"}, TypeError),
    ({"batch": "list.txt"}, TypeError),  # a command-line mode, not an option of a book
])
def test_bad_options(workbook, options, error):
    with pytest.raises(error):
        xlxfilter.open(workbook, **options)


def test_bad_requests_on_an_open_book(workbook):
    with xlxfilter.open(workbook) as book:
        page = book.pages[0]
        cases = [
            (lambda: book.pages[book.page_count], IndexError),
            (lambda: page.png(dpi=0), xlxfilter.InvalidRequest),
            (lambda: page.png(dpi=2401), xlxfilter.InvalidRequest),
            (lambda: page.jpeg(quality=0), xlxfilter.InvalidRequest),
            (lambda: page.jpeg(quality=101), xlxfilter.InvalidRequest),
            (lambda: list(book.render_all(format="gif")), xlxfilter.InvalidRequest),
            (lambda: list(book.render_all(threads=0)), xlxfilter.InvalidRequest),
            (lambda: book.save_pdf("unused.pdf", pages=[]), xlxfilter.InvalidRequest),
            (lambda: book.save_pdf("unused.pdf", pages=[book.page_count + 1]), xlxfilter.InvalidRequest),
            (lambda: book.save_pdf("/nonexistent/folder/out.pdf"), xlxfilter.FileAccessError),
            (lambda: xlxfilter.open(io.StringIO("text")), TypeError),
            (lambda: xlxfilter.open(42), TypeError),
        ]
        for call, error in cases:
            with pytest.raises(error):
                call()
        assert book.pages[-1].number == book.page_count  # still usable after the refusals
    assert not os.path.exists("unused.pdf")


def test_a_closed_book_refuses_every_use(workbook, tmp_path):
    book = xlxfilter.open(workbook)
    page = book.pages[1]
    book.close()
    book.close()  # a second close is harmless
    uses = [
        lambda: book.page_count, lambda: book.pages, lambda: book.metadata, lambda: page.size,
        lambda: page.png(), lambda: page.jpeg(), lambda: page.svg(), lambda: page.image(),
        lambda: book.save_pdf(str(tmp_path / "closed.pdf")), lambda: list(book.render_all()),
    ]
    for use in uses:
        with pytest.raises(xlxfilter.BookClosed) as raised:
            use()
        assert isinstance(raised.value, ValueError) and raised.value.code == -13
    assert book.closed and not (tmp_path / "closed.pdf").exists()
    with xlxfilter.open(workbook) as scoped:
        pass
    assert scoped.closed


def _mangled(workbook):
    """Copies of the workbook with one byte changed at places spread over the file."""
    data = open(workbook, "rb").read()
    for offset in range(31, len(data), len(data) // 12):
        yield bytes(data[:offset]) + bytes([data[offset] ^ 0x5A]) + data[offset + 1:]


def test_hostile_bytes_raise_or_draw(workbook):
    # The shared corpus's hostile packages and damaged copies of a good workbook, as bytes: each
    # one opens and draws its first page, or raises from the family; none takes the process down.
    hostile = os.path.join(os.path.dirname(__file__), "..", "..", "..", "shared", "corpus", "hostile")
    sources = [open(os.path.join(hostile, n), "rb").read() for n in sorted(os.listdir(hostile))] \
        if os.path.isdir(hostile) else []
    sources += list(_mangled(workbook))
    outcomes = []
    for data in sources:
        try:
            with xlxfilter.open(data) as book:
                outcomes.append(len(book.pages[0].png(dpi=30)) > 0 and len(book.pages[-1].svg()) > 0)
        except xlxfilter.Error as e:
            outcomes.append(type(e).__name__)
    assert len(outcomes) == len(sources) >= 12
    assert all(o is True or o in ("DamagedWorkbook", "UnsupportedWorkbook", "LimitExceeded", "RenderFailed")
               for o in outcomes), outcomes


def test_pages_beyond_the_bitmap_limits(workbook, tmp_path):
    import xlsxwriter
    narrow = str(tmp_path / "narrow.xlsx")
    book = xlsxwriter.Workbook(narrow)
    sheet = book.add_worksheet("Long")
    for r in range(3500):
        sheet.write_number(r, 0, r)
    book.close()
    with xlxfilter.open(workbook, sheet_pages=True) as whole:
        page = whole.pages[0]
        for draw in (page.png, page.jpeg, page.image):  # billions of pixels: refused before any memory
            with pytest.raises(xlxfilter.LimitExceeded):
                draw(dpi=2400)
        assert page.png(dpi=20).startswith(b"\x89PNG")  # the book goes on working
    with xlxfilter.open(narrow, sheet_pages=True) as long:
        page = long.pages[0]
        width, height = page.size
        assert height > 65500 and width * height < 400_000_000
        # Taller than one drawing surface: drawn in bands, as PNG and as an image; a JPEG cannot
        # be that tall.
        png = page.png()
        assert png[:8] == b"\x89PNG\r\n\x1a\n" and int.from_bytes(png[20:24], "big") == height
        assert page.image().size == (width, height)
        with pytest.raises(xlxfilter.LimitExceeded) as raised:
            page.jpeg()
        assert raised.value.code == -1
        assert long.pages[0].png(dpi=20)[:8] == b"\x89PNG\r\n\x1a\n"
