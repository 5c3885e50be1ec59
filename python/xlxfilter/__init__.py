"""xlxfilter: spreadsheet workbooks (.xlsx, .xlsm, .xlsb, password-protected packages) as
printed pages, from Python, in the calling process.

    >>> import xlxfilter
    >>> book = xlxfilter.open("book.xlsx", password=None)   # or bytes, or a binary file object
    >>> book.page_count, book.pages[0].size, book.pages[0].range
    (3, (816, 1056), 'Sheet1!A1:H52')
    >>> png = book.pages[0].png(dpi=96)                     # also .jpeg(quality=85), .svg()
    >>> img = book.pages[0].image(dpi=150)                  # a Pillow image (Pillow needed)
    >>> book.save_pdf("book.pdf")
    >>> for page in book.render_all(format="png", threads=2):
    ...     open(f"page-{page.number}.png", "wb").write(page.data)
    >>> xlxfilter.convert("in.xlsx", "out.pdf", paper="a4")  # xlxrender's options as keywords
    >>> book.metadata
    {'title': 'Budget', 'author': 'Finance', ...}

Pages are parsed and drawn without the interpreter lock: pages of one book may be drawn from
several threads at once. Every failure raises a subclass of xlxfilter.Error carrying the
filter's result code.
"""
import builtins
import os
from collections import deque
from concurrent.futures import ThreadPoolExecutor
from typing import Any, Dict, Iterable, Iterator, List, NamedTuple, Optional, Sequence, Tuple, Union, overload

from . import _xlxfilter
from ._options import OPTIONS, option_words
from .errors import (BookClosed, DamagedWorkbook, Error, FileAccessError, InvalidRequest, LimitExceeded,
                     PasswordError, PasswordRequired, RenderFailed, UnsupportedWorkbook, WrongPassword, error_for)

__version__ = "0.1.0"

__all__ = [
    "open", "convert", "Book", "Page", "RenderedPage", "OPTIONS",
    "Error", "PasswordError", "PasswordRequired", "WrongPassword", "UnsupportedWorkbook", "DamagedWorkbook",
    "FileAccessError", "LimitExceeded", "InvalidRequest", "BookClosed", "RenderFailed",
]

Source = Union[str, "os.PathLike[str]", bytes, bytearray, memoryview, Any]
_FORMATS = ("png", "jpeg", "svg")


class RenderedPage(NamedTuple):
    """One page from Book.render_all: its number (1-based), format and encoded bytes."""
    number: int
    format: str
    data: bytes


def _password_text(password: Optional[str]) -> str:
    if password is None:
        return ""
    if not isinstance(password, str):
        raise TypeError("password must be a str or None")
    if "\0" in password:
        raise ValueError("password must not contain NUL characters")
    return password


def _source(source: Source) -> Tuple[str, Optional[bytes]]:
    """A path, or the bytes of a workbook (from bytes-like objects and binary file objects)."""
    if isinstance(source, (str, os.PathLike)):
        path = os.fsdecode(os.fspath(source))
        if not path or "\0" in path:
            raise ValueError("the path of a workbook must not be empty or contain NUL characters")
        return path, None
    if isinstance(source, (bytes, bytearray, memoryview)):
        return "", bytes(source)
    read = getattr(source, "read", None)
    if read is None:
        raise TypeError("open() needs a path, bytes or a binary file object, not " + type(source).__name__)
    data = read()
    if not isinstance(data, (bytes, bytearray, memoryview)):
        raise TypeError("the file object must be opened in binary mode ('rb')")
    return "", bytes(data)


class Page:
    """One printed page of a Book. Sizes are in pixels at the book's resolution (96 dpi unless
    open() was given another)."""

    __slots__ = ("_book", "number", "_facts")

    def __init__(self, book: "Book", number: int) -> None:
        self._book = book
        self.number = number  # 1-based
        self._facts: Optional[Dict[str, Any]] = None

    def _info(self) -> Dict[str, Any]:
        if self._facts is None:
            self._facts = self._book._session.info(self.number)
        return self._facts

    @property
    def size(self) -> Tuple[int, int]:
        """(width, height) in pixels at the book's resolution.

        >>> book.pages[0].size
        (816, 1056)
        """
        self._book._check_open()
        facts = self._info()
        return facts["width"], facts["height"]

    @property
    def range(self) -> str:
        """The sheet and cells the page prints, such as 'Sheet1!A1:H52' ('' when it has none)."""
        self._book._check_open()
        return self._info()["range"]

    def png(self, dpi: Optional[int] = None) -> bytes:
        """The page as PNG bytes, identical to what xlxrender writes at that resolution.

        >>> open("page1.png", "wb").write(book.pages[0].png(dpi=150))
        """
        return self._book._session.png(self.number, _dpi(dpi))

    def jpeg(self, dpi: Optional[int] = None, quality: int = 85) -> bytes:
        """The page as baseline JPEG bytes; quality from 1 to 100.

        >>> data = book.pages[0].jpeg(quality=85)
        """
        if isinstance(quality, bool) or not isinstance(quality, int):
            raise TypeError("quality must be an int from 1 to 100")
        return self._book._session.jpeg(self.number, _dpi(dpi), quality)

    def svg(self) -> bytes:
        """The page as an SVG document (UTF-8 bytes), drawn as vectors.

        >>> open("page1.svg", "wb").write(book.pages[0].svg())
        """
        return self._book._session.svg(self.number)

    def image(self, dpi: Optional[int] = None) -> Any:
        """The page as a Pillow image in RGB mode (needs Pillow: Debian's python3-pil).

        >>> book.pages[0].image(dpi=150).save("page1.webp")
        """
        try:
            from PIL import Image
        except ImportError as missing:
            raise ImportError("Page.image() needs Pillow (Debian: python3-pil)") from missing
        width, height, resolution, rgb = self._book._session.rgb(self.number, _dpi(dpi))
        image = Image.frombytes("RGB", (width, height), rgb)
        image.info["dpi"] = (resolution, resolution)
        return image

    def __repr__(self) -> str:
        return f"<xlxfilter.Page {self.number} of {self._book!r}>"


def _dpi(dpi: Optional[int]) -> int:
    """0 for the book's own resolution."""
    if dpi is None:
        return 0
    if isinstance(dpi, bool) or not isinstance(dpi, int):
        raise TypeError("dpi must be an int")
    if dpi < 1:
        raise InvalidRequest(-13, f"dpi must be from 1 to 2400, not {dpi}")
    return dpi


class _Pages(Sequence[Page]):
    """The pages of a book, indexable like a list (negative indexes and slices too)."""

    def __init__(self, book: "Book") -> None:
        self._book = book

    def __len__(self) -> int:
        return self._book.page_count

    @overload
    def __getitem__(self, index: int) -> Page: ...
    @overload
    def __getitem__(self, index: slice) -> List[Page]: ...

    def __getitem__(self, index: Union[int, slice]) -> Union[Page, List[Page]]:
        count = self._book.page_count
        if isinstance(index, slice):
            return [Page(self._book, i + 1) for i in builtins.range(count)[index]]
        if index < 0:
            index += count
        if not 0 <= index < count:
            raise IndexError("page index out of range")
        return Page(self._book, index + 1)


class Book:
    """An open workbook. Use xlxfilter.open() to make one; close it (or use ``with``) to free
    its parse. Methods of a closed book raise BookClosed.

    >>> with xlxfilter.open("book.xlsx") as book:
    ...     book.save_pdf("book.pdf")
    """

    def __init__(self, session: Any, name: str) -> None:
        self._session = session
        self._name = name
        self._page_count = session.info(1)["pages"]
        self._options = session.options()

    def _check_open(self) -> None:
        if self._session.closed:
            raise BookClosed(-13, "the book is closed")

    @property
    def page_count(self) -> int:
        """The number of printed pages."""
        self._check_open()
        return self._page_count

    @property
    def pages(self) -> Sequence[Page]:
        """The pages, a sequence: ``book.pages[0]`` is the first, ``book.pages[-1]`` the last."""
        self._check_open()
        return _Pages(self)

    @property
    def dpi(self) -> int:
        """The resolution of sizes and of pages drawn without a dpi of their own."""
        return self._options["dpi"]

    @property
    def metadata(self) -> Dict[str, str]:
        """The document properties (title, author, dates, ...) as a dict of strings.

        >>> book.metadata.get("title")
        'Budget'
        """
        return dict(self._session.metadata())

    @property
    def closed(self) -> bool:
        return self._session.closed

    def selected_pages(self) -> List[int]:
        """The page numbers the open() options select (first_page, last_page, pages); all by default."""
        self._check_open()
        return self._session.selected_pages(self._page_count)

    def save_pdf(self, path: Union[str, "os.PathLike[str]"], pages: Optional[Iterable[int]] = None) -> None:
        """Writes the pages (numbers from 1; the selected pages by default) to one PDF with the
        workbook's title and author.

        >>> book.save_pdf("book.pdf")
        >>> book.save_pdf("first-two.pdf", pages=[1, 2])
        """
        numbers = self._page_numbers(pages)
        self._session.save_pdf(os.fsdecode(os.fspath(path)), numbers)

    def render_all(self, format: str = "png", threads: Optional[int] = None, dpi: Optional[int] = None,
                   quality: int = 85, pages: Optional[Iterable[int]] = None) -> Iterator[RenderedPage]:
        """Draws pages (the selected ones by default) on `threads` threads (the open() option
        ``threads``, else 1) and yields them in page order as RenderedPage(number, format, data).
        Formats: png, jpeg, svg.

        >>> for page in book.render_all(format="png", threads=2):
        ...     open(f"page-{page.number}.png", "wb").write(page.data)
        """
        if format not in _FORMATS:
            raise InvalidRequest(-13, f"format must be one of {', '.join(_FORMATS)}, not {format!r}")
        count = self._options["threads"] if threads is None else threads
        if isinstance(count, bool) or not isinstance(count, int) or not 1 <= count <= 64:
            raise InvalidRequest(-13, "threads must be an int from 1 to 64")
        numbers = self._page_numbers(pages)
        resolution = _dpi(dpi)
        if format == "png":
            draw = lambda n: self._session.png(n, resolution)  # noqa: E731
        elif format == "jpeg":
            draw = lambda n: self._session.jpeg(n, resolution, quality)  # noqa: E731
        else:
            draw = lambda n: self._session.svg(n)  # noqa: E731
        return _in_order(numbers, format, draw, count)

    def _page_numbers(self, pages: Optional[Iterable[int]]) -> List[int]:
        self._check_open()
        if pages is None:
            return self.selected_pages()
        numbers = list(pages)
        for n in numbers:
            if isinstance(n, bool) or not isinstance(n, int) or not 1 <= n <= self._page_count:
                raise InvalidRequest(-13, f"pages are numbered 1 to {self._page_count}; {n!r} is not one")
        return numbers

    def close(self) -> None:
        """Frees the parse; waits for pages being drawn on other threads. Closing twice is fine."""
        self._session.close()

    def __enter__(self) -> "Book":
        return self

    def __exit__(self, *exc: Any) -> None:
        self.close()

    def __repr__(self) -> str:
        state = "closed" if self.closed else f"{self._page_count} pages"
        return f"<xlxfilter.Book {self._name!r}, {state}>"


def _in_order(numbers: List[int], format: str, draw: Any, threads: int) -> Iterator[RenderedPage]:
    """Yields pages in order while up to 2 x threads of the following ones are drawn ahead."""
    if threads == 1:
        for n in numbers:
            yield RenderedPage(n, format, draw(n))
        return
    with ThreadPoolExecutor(max_workers=threads, thread_name_prefix="xlxfilter") as pool:
        waiting = iter(numbers)
        pending: deque = deque()
        try:
            for n in waiting:
                pending.append((n, pool.submit(draw, n)))
                if len(pending) >= 2 * threads:
                    break
            while pending:
                n, future = pending.popleft()
                data = future.result()
                following = next(waiting, None)
                if following is not None:
                    pending.append((following, pool.submit(draw, following)))
                yield RenderedPage(n, format, data)
        finally:
            for _, future in pending:
                future.cancel()


def open(source: Source, password: Optional[str] = None, **options: Any) -> Book:
    """Opens a workbook: a path, its bytes, or a binary file object. Keyword options are
    xlxrender's (see OPTIONS): dpi, paper, margins, fit, paginate, pages, threads, ...

    >>> book = xlxfilter.open("book.xlsx")
    >>> book = xlxfilter.open(open("book.xlsx", "rb").read(), dpi=150)
    >>> book = xlxfilter.open("locked.xlsx", password="secret", paper="a4", paginate=True)

    Raises PasswordRequired, WrongPassword, UnsupportedWorkbook, DamagedWorkbook,
    FileAccessError, InvalidRequest (a bad option), ...
    """
    path, data = _source(source)
    words = option_words(options)
    session = _xlxfilter.Session()
    session.open(path, data, words, _password_text(password))
    return Book(session, path or "<bytes>")


def _output_format(output: str, format: Optional[str]) -> str:
    if format is not None:
        return format
    extension = os.path.splitext(output)[1].lower()
    return {".pdf": "pdf", ".svg": "svg"}.get(extension, "png")


def _page_file(output: str, number: int, total: int, extension: str) -> str:
    """OUTPUT with %d as the page number, or OUTPUT's stem with -N (padded to the digits of total)."""
    if "%d" in output:
        return output.replace("%d", str(number))
    stem = os.path.splitext(output)[0]
    return f"{stem}-{number:0{len(str(total))}d}.{extension}"


def convert(source: Source, output: Union[str, "os.PathLike[str]"], password: Optional[str] = None,
            **options: Any) -> List[str]:
    """Converts a workbook as xlxrender does and returns the files written. The format comes
    from ``format=`` or the output's extension: out.pdf is one PDF; out.png (or a name with %d)
    is one PNG per page (out-1.png, out-2.png, ...); out.svg one SVG per page. The other
    keywords are xlxrender's options (dpi, pages, paper, threads, ...).

    >>> xlxfilter.convert("in.xlsx", "out.pdf")
    ['out.pdf']
    >>> xlxfilter.convert("in.xlsx", "pages/p%d.png", dpi=150, threads=2)
    ['pages/p1.png', 'pages/p2.png']
    """
    target = os.fsdecode(os.fspath(output))
    format = _output_format(target, options.pop("format", None))
    if format not in ("png", "pdf", "svg"):
        raise InvalidRequest(-13, f"format must be png, pdf or svg, not {format!r}")
    with open(source, password, format=format, **options) as book:
        if format == "pdf":
            book.save_pdf(target)
            return [target]
        written = []
        for page in book.render_all(format=format):
            name = _page_file(target, page.number, book.page_count, format)
            with builtins.open(name, "wb") as out:
                out.write(page.data)
            written.append(name)
        return written
