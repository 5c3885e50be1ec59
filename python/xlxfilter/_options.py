"""Keyword options to command-line words: the keywords of open() and convert() are the options of
xlxrender, spelled in Python (``--cell-breaks`` is ``cell_breaks=True``, ``-r 150`` is
``dpi=150``). Only types are checked here; values are checked by the same parser the command
line uses, which raises InvalidRequest."""
import os
from typing import Any, Dict, Iterable, List, Tuple, Union

# Keyword -> (option word, kind). Kinds: flag (bool), int, str, path, pages, margins.
OPTIONS: Dict[str, Tuple[str, str]] = {
    "dpi": ("-r", "int"),
    "first_page": ("-f", "int"),
    "last_page": ("-l", "int"),
    "pages": ("--pages", "pages"),
    "format": ("--format", "str"),
    "print": ("--print", "flag"),
    "default_paper": ("--default-paper", "str"),
    "sheet_pages": ("--sheet-pages", "flag"),
    "paginate": ("--paginate", "flag"),
    "paper": ("--paper", "str"),
    "margins": ("--margins", "margins"),
    "fit": ("--fit", "str"),
    "cell_breaks": ("--cell-breaks", "flag"),
    "down_then_over": ("--down-then-over", "flag"),
    "sheet_width": ("--sheet-width", "flag"),
    "gridlines": ("--gridlines", "flag"),
    "hidden_sheets": ("--hidden-sheets", "flag"),
    "password_file": ("--password-file", "path"),
    "threads": ("-j", "int"),
}


def _text(name: str, value: Any) -> str:
    if not isinstance(value, str):
        raise TypeError(f"{name} must be a str, not {type(value).__name__}")
    if "\0" in value:
        raise ValueError(f"{name} must not contain NUL characters")
    return value


def _integer(name: str, value: Any) -> str:
    if isinstance(value, bool) or not isinstance(value, int):
        raise TypeError(f"{name} must be an int, not {type(value).__name__}")
    return str(value)


def _number(name: str, value: Any) -> str:
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise TypeError(f"{name} must be numbers, not {type(value).__name__}")
    return repr(float(value))


def _pages(value: Union[str, int, Iterable[int]]) -> str:
    """"1,3,5-N", 3, or page numbers such as range(1, 4)."""
    if isinstance(value, str):
        return _text("pages", value)
    if isinstance(value, int) and not isinstance(value, bool):
        return str(value)
    try:
        numbers = list(value)
    except TypeError:
        raise TypeError("pages must be a str such as '1,3,5-N', an int or an iterable of ints") from None
    return ",".join(_integer("pages", n) for n in numbers)


def _margins(value: Any) -> str:
    """One margin for all four sides, or (top, bottom, left, right), in inches."""
    if isinstance(value, (int, float)) and not isinstance(value, bool):
        return _number("margins", value)
    if isinstance(value, str):
        return _text("margins", value)
    parts = list(value)
    if len(parts) != 4:
        raise ValueError("margins needs one value or four: top, bottom, left, right")
    return ",".join(_number("margins", v) for v in parts)


def option_words(options: Dict[str, Any]) -> List[str]:
    """The command-line words for keyword options, in a fixed order.

    >>> option_words({"dpi": 150, "gridlines": True, "pages": [1, 3]})
    ['-r', '150', '--pages', '1,3', '--gridlines']
    """
    unknown = sorted(set(options) - set(OPTIONS))
    if unknown:
        raise TypeError(f"unknown option {unknown[0]!r}; the options are: {', '.join(sorted(OPTIONS))}")
    words: List[str] = []
    for name, (word, kind) in OPTIONS.items():
        if name not in options or options[name] is None:
            continue
        value = options[name]
        if kind == "flag":
            if not isinstance(value, bool):
                raise TypeError(f"{name} must be True or False")
            if value:
                words.append(word)
            continue
        if kind == "int":
            text = _integer(name, value)
        elif kind == "pages":
            text = _pages(value)
        elif kind == "margins":
            text = _margins(value)
        elif kind == "path":
            text = _text(name, os.fsdecode(os.fspath(value)))
        else:
            text = _text(name, value)
        words += [word, text]
    return words
