"""The exceptions of xlxfilter: one family, each carrying the filter's result code.

Every failure of the filter raises a subclass of :class:`Error`; ``code`` is the filter's
result code (negative) and ``message`` says what failed::

    >>> try:
    ...     xlxfilter.open("locked.xlsx")
    ... except xlxfilter.PasswordRequired as e:
    ...     print(e.code, e.message)
    -1876 the workbook: the workbook is protected: a password is required
"""
from typing import Dict, Type

__all__ = [
    "Error", "PasswordError", "PasswordRequired", "WrongPassword", "UnsupportedWorkbook",
    "DamagedWorkbook", "FileAccessError", "LimitExceeded", "InvalidRequest", "BookClosed",
    "RenderFailed", "error_for",
]


class Error(Exception):
    """Base of every xlxfilter error: ``code`` is the filter's result code, ``message`` the text."""

    def __init__(self, code: int, message: str) -> None:
        super().__init__(code, message)
        self.code = code
        self.message = message

    def __str__(self) -> str:
        return f"{self.message} (code {self.code})"


class PasswordError(Error):
    """The workbook is protected and could not be opened with the password given."""


class PasswordRequired(PasswordError):
    """The workbook is protected and no password was given."""


class WrongPassword(PasswordError):
    """The password does not open the workbook (or the package did not decrypt)."""


class UnsupportedWorkbook(Error):
    """Not a workbook this filter reads: another kind of file, or a protection it cannot decrypt."""


class DamagedWorkbook(Error):
    """A workbook package (ZIP or compound file) whose contents cannot be read."""


class FileAccessError(Error):
    """A file could not be opened, read or written."""


class LimitExceeded(Error):
    """Out of memory, or the page or file is larger than the filter's limits."""


class InvalidRequest(Error, ValueError):
    """An option or argument the filter refuses (also a ValueError)."""


class BookClosed(InvalidRequest):
    """The book was closed before this call."""


class RenderFailed(Error):
    """An internal failure stopped parsing or drawing."""


# Result codes by class; a code not listed raises RenderFailed.
_BY_CODE: Dict[int, Type[Error]] = {
    -1876: PasswordRequired,
    -912: WrongPassword, -1488: WrongPassword, -1863: WrongPassword,
    -1877: UnsupportedWorkbook, -1878: UnsupportedWorkbook, -1864: UnsupportedWorkbook,
    -9: UnsupportedWorkbook,
    -7: FileAccessError, -10: FileAccessError, -14: FileAccessError,
    -1: LimitExceeded, -2: LimitExceeded, -1879: LimitExceeded,
    -13: InvalidRequest,
}

_PACKAGE_SIGNATURES = (b"PK\x03\x04", b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1")


def error_for(code: int, message: str, closed: bool = False, head: bytes = b"") -> Error:
    """The exception for a failed call. ``head``: the first bytes of the workbook when known; a
    format or read failure on a ZIP or compound file is a damaged workbook, on other bytes an
    unsupported one."""
    if closed:
        return BookClosed(code, message)
    if code in (-7, -9) and head.startswith(_PACKAGE_SIGNATURES):
        return DamagedWorkbook(code, message)
    if code in (-7, -9) and head:  # read in full, and not a package at all
        return UnsupportedWorkbook(code, message)
    return _BY_CODE.get(code, RenderFailed)(code, message)
