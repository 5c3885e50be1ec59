import os
from typing import IO, Any, Dict, Iterable, Iterator, List, NamedTuple, Optional, Sequence, Tuple, Union, overload

from .errors import (BookClosed as BookClosed, DamagedWorkbook as DamagedWorkbook, Error as Error,
                     FileAccessError as FileAccessError, InvalidRequest as InvalidRequest,
                     LimitExceeded as LimitExceeded, PasswordError as PasswordError,
                     PasswordRequired as PasswordRequired, RenderFailed as RenderFailed,
                     UnsupportedWorkbook as UnsupportedWorkbook, WrongPassword as WrongPassword)

_Path = Union[str, os.PathLike[str]]
Source = Union[_Path, bytes, bytearray, memoryview, IO[bytes]]
_Pages = Union[str, int, Iterable[int]]
_Margins = Union[float, str, Tuple[float, float, float, float]]

__version__: str
OPTIONS: Dict[str, Tuple[str, str]]

class RenderedPage(NamedTuple):
    number: int
    format: str
    data: bytes

class Page:
    number: int
    @property
    def size(self) -> Tuple[int, int]: ...
    @property
    def range(self) -> str: ...
    def png(self, dpi: Optional[int] = ...) -> bytes: ...
    def jpeg(self, dpi: Optional[int] = ..., quality: int = ...) -> bytes: ...
    def svg(self) -> bytes: ...
    def image(self, dpi: Optional[int] = ...) -> Any: ...  # PIL.Image.Image

class _PageSequence(Sequence[Page]):
    def __len__(self) -> int: ...
    @overload
    def __getitem__(self, index: int) -> Page: ...
    @overload
    def __getitem__(self, index: slice) -> List[Page]: ...

class Book:
    @property
    def page_count(self) -> int: ...
    @property
    def pages(self) -> _PageSequence: ...
    @property
    def dpi(self) -> int: ...
    @property
    def metadata(self) -> Dict[str, str]: ...
    @property
    def closed(self) -> bool: ...
    def selected_pages(self) -> List[int]: ...
    def save_pdf(self, path: _Path, pages: Optional[Iterable[int]] = ...) -> None: ...
    def render_all(self, format: str = ..., threads: Optional[int] = ..., dpi: Optional[int] = ...,
                   quality: int = ..., pages: Optional[Iterable[int]] = ...) -> Iterator[RenderedPage]: ...
    def close(self) -> None: ...
    def __enter__(self) -> Book: ...
    def __exit__(self, *exc: Any) -> None: ...

def open(source: Source, password: Optional[str] = ..., *, dpi: Optional[int] = ..., first_page: Optional[int] = ...,
         last_page: Optional[int] = ..., pages: Optional[_Pages] = ..., format: Optional[str] = ...,
         print: bool = ..., default_paper: Optional[str] = ..., sheet_pages: bool = ..., paginate: bool = ...,
         paper: Optional[str] = ..., margins: Optional[_Margins] = ..., fit: Optional[str] = ...,
         cell_breaks: bool = ..., down_then_over: bool = ..., sheet_width: bool = ..., gridlines: bool = ...,
         hidden_sheets: bool = ..., password_file: Optional[_Path] = ..., threads: Optional[int] = ...) -> Book: ...

def convert(source: Source, output: _Path, password: Optional[str] = ..., *, dpi: Optional[int] = ...,
            first_page: Optional[int] = ..., last_page: Optional[int] = ..., pages: Optional[_Pages] = ...,
            format: Optional[str] = ..., print: bool = ..., default_paper: Optional[str] = ...,
            sheet_pages: bool = ..., paginate: bool = ..., paper: Optional[str] = ...,
            margins: Optional[_Margins] = ..., fit: Optional[str] = ..., cell_breaks: bool = ...,
            down_then_over: bool = ..., sheet_width: bool = ..., gridlines: bool = ..., hidden_sheets: bool = ...,
            password_file: Optional[_Path] = ..., threads: Optional[int] = ...) -> List[str]: ...
