"""Code-page choices: the plug-in's mode and the codec that decodes its bytes."""

import codecs

from . import _abi

_NAMED = {
    "utf8": _abi.CP_UTF8, "utf-8": _abi.CP_UTF8,
    "unicode": _abi.CP_UNICODE, "utf16": _abi.CP_UNICODE, "utf-16": _abi.CP_UNICODE,
    "utf-16-le": _abi.CP_UNICODE,
    "ansi": _abi.CP_ANSI, "default": _abi.CP_DEFAULT,
}


def mode(codepage):
    """The plug-in's code-page mode for a choice: None (UTF-8), a name
    (utf8, unicode, ansi, default) or a code page number."""
    if codepage is None:
        return _abi.CP_UTF8
    if isinstance(codepage, bool):
        raise TypeError("codepage must be None, a name or a number")
    if isinstance(codepage, str):
        key = codepage.strip().lower()
        if key in _NAMED:
            return _NAMED[key]
        try:
            codepage = int(key, 10)
        except ValueError:
            raise ValueError("unknown code page %r (utf8, unicode, ansi, default or a number)"
                             % codepage) from None
    if not isinstance(codepage, int):
        raise TypeError("codepage must be None, a name or a number")
    if not -0x80000000 <= codepage <= 0x7FFFFFFF:
        raise ValueError("code page %d out of range" % codepage)
    return codepage


def codec(cp_mode):
    """The Python codec that turns the plug-in's bytes in `cp_mode` into text,
    or None where the bytes have no single decoding (default mode converts
    each chunk with its language's code page; ansi and 0 depend on the
    system)."""
    if cp_mode == _abi.CP_UTF8:
        return "utf-8"
    if cp_mode == _abi.CP_UNICODE:
        return "utf-16-le"
    if cp_mode <= 0:
        return None
    try:
        return codecs.lookup("cp%d" % cp_mode).name
    except LookupError:
        return None
