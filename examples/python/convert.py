#!/usr/bin/env python3
"""Calls the installed libskeinlet through ctypes.

    python3 convert.py LIBSKEINLET.so FILE.rtf

Converts the RTF document to HTML and to plain text, then the HTML back to
RTF, and prints one line per conversion. Exits 1 when a conversion fails.
"""
import ctypes
import sys


class Error(ctypes.Structure):
    _fields_ = [("number", ctypes.c_long),
                ("source", ctypes.c_char_p),
                ("description", ctypes.c_char_p)]


class RtfOptions(ctypes.Structure):
    _fields_ = [(name, ctypes.c_char_p) for name in (
        "title", "colour", "generator", "links", "debug", "images",
        "image_folder", "image_format", "clean", "image_name", "xhtml")]


def load(path):
    lib = ctypes.CDLL(path)
    out = [ctypes.POINTER(ctypes.c_char), ctypes.POINTER(ctypes.c_size_t),
           ctypes.POINTER(Error)]
    doc = [ctypes.c_char_p, ctypes.c_size_t]
    lib.skeinlet_rtf_to_html.argtypes = doc + [ctypes.POINTER(RtfOptions)] + [
        ctypes.POINTER(ctypes.POINTER(ctypes.c_char))] + out[1:]
    lib.skeinlet_rtf_to_text.argtypes = doc + [
        ctypes.POINTER(ctypes.POINTER(ctypes.c_char))] + out[1:]
    lib.skeinlet_html_to_rtf.argtypes = doc + [ctypes.c_char_p, ctypes.c_char_p] + [
        ctypes.POINTER(ctypes.POINTER(ctypes.c_char))] + out[1:]
    lib.skeinlet_free.argtypes = [ctypes.POINTER(ctypes.c_char)]
    lib.skeinlet_error_clear.argtypes = [ctypes.POINTER(Error)]
    lib.skeinlet_version.restype = ctypes.c_char_p
    return lib


def call(lib, fn, *args):
    """Returns (bytes, None) or (None, (number, description))."""
    result = ctypes.POINTER(ctypes.c_char)()
    size = ctypes.c_size_t()
    err = Error()
    if fn(*args, ctypes.byref(result), ctypes.byref(size), ctypes.byref(err)) == 0:
        data = ctypes.string_at(result, size.value)
        lib.skeinlet_free(result)
        return data, None
    failure = (err.number, err.description.decode("utf-8", "replace"))
    lib.skeinlet_error_clear(ctypes.byref(err))
    return None, failure


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    lib = load(sys.argv[1])
    rtf = open(sys.argv[2], "rb").read()
    print("skeinlet", lib.skeinlet_version().decode())
    options = RtfOptions(title=b"Example", colour=b"white")
    html, failure = call(lib, lib.skeinlet_rtf_to_html, rtf, len(rtf), ctypes.byref(options))
    if failure:
        print("rtf2html failed: error %d: %s" % failure, file=sys.stderr)
        return 1
    print("rtf2html: %d bytes, ends %r" % (len(html), html[-9:]))
    text, failure = call(lib, lib.skeinlet_rtf_to_text, rtf, len(rtf))
    if failure:
        print("rtf2text failed: error %d: %s" % failure, file=sys.stderr)
        return 1
    print("rtf2text: %d bytes" % len(text))
    back, failure = call(lib, lib.skeinlet_html_to_rtf, html, len(html), b"", b"no")
    if failure:
        print("html2rtf failed: error %d: %s" % failure, file=sys.stderr)
        return 1
    else:
        print("html2rtf: %d bytes, starts %r" % (len(back), back[:6]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
