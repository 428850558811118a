"""docflt.extract and extract_bytes: every kind of source, code pages, errors."""

import ctypes
import io
import os
import pathlib
import pickle
import sys
import shutil
import subprocess
import tempfile
import threading

import pytest

import docflt
from docflt import _abi, _host
from conftest import SAMPLE, SOURCE_DIR


def test_record_layout_matches_the_c_header(tmp_path):
    """The ctypes record against the C++ compiler's view of the header."""
    compiler = shutil.which("g++")
    if compiler is None:
        pytest.skip("no C++ compiler")
    program = tmp_path / "layout.cpp"
    program.write_text(
        '#include <cstdio>\n#include "host/stream_info.h"\n'
        "#define F(f) std::printf(\"%zu \", offsetof(FILTEREDSTREAMINFO, f));\n"
        "int main() { std::printf(\"%zu \", sizeof(FILTEREDSTREAMINFO)); F(cbSize) F(dwReserved1) "
        "F(pStream) F(pfnGetSize) F(dwReserved2) F(pfnRead) F(pfnGetFileName) F(pfnGetCodePage) }\n")
    exe = tmp_path / "layout"
    subprocess.run([compiler, "-std=c++17", "-I", SOURCE_DIR, str(program), "-o", str(exe)],
                   check=True)
    expected = [int(v) for v in subprocess.run([str(exe)], stdout=subprocess.PIPE, check=True)
                .stdout.split()]
    R = _abi.Record
    got = [ctypes.sizeof(R)] + [getattr(R, f).offset for f, _ in R._fields_]
    assert got == expected


def test_a_path_gives_the_same_text_as_doctext(doctext):
    status, out = doctext(SAMPLE)
    assert status == 0
    text = docflt.extract(SAMPLE)
    assert "docflt" in text
    assert text.encode("utf-8") == out
    assert docflt.extract_bytes(SAMPLE) == out


def test_streamed_sources_give_the_path_text(tmp_path):
    expected = docflt.extract(SAMPLE)
    data = open(SAMPLE, "rb").read()
    assert docflt.extract(data) == expected
    assert docflt.extract(bytearray(data)) == expected
    assert docflt.extract(memoryview(data)) == expected
    assert docflt.extract(io.BytesIO(data)) == expected
    with open(SAMPLE, "rb") as f:
        assert docflt.extract(f) == expected
    # A file object is read from where it stands, as a stream is.
    padded = tmp_path / "padded.bin"
    padded.write_bytes(b"x" * 1000 + data)
    with open(padded, "rb") as f:
        f.seek(1000)
        assert docflt.extract(f) == expected
    # A pipe has no size: it is read whole first.
    read_end, write_end = os.pipe()
    writer = threading.Thread(target=lambda: (os.write(write_end, data), os.close(write_end)))
    writer.start()
    with os.fdopen(read_end, "rb", buffering=0) as pipe:
        assert docflt.extract(pipe) == expected
    writer.join()
    # A pathlib path takes the file route.
    assert docflt.extract(pathlib.Path(SAMPLE)) == expected


def test_the_file_route_reads_nothing_through_the_callback(monkeypatch, corpus_files):
    reads = []
    real = _host._fd_reader

    def counting(fd):
        inner = real(fd)

        def read(buffer, capacity):
            n = inner(buffer, capacity)
            reads.append(n)
            return n
        return read
    monkeypatch.setattr(_host, "_fd_reader", counting)
    docflt.extract(SAMPLE)
    assert reads == []
    # A file the filter refuses by name is streamed to the other routes, which
    # read it to the end before they answer.
    not_word = [p for p in corpus_files if p.endswith("tika_testWordPerfect_42.doc")]
    assert not_word
    with pytest.raises(docflt.FormatError):
        docflt.extract(not_word[0])
    assert sum(reads) == os.path.getsize(not_word[0])


def test_code_pages(multilang, doctext):
    utf8 = docflt.extract(multilang)
    assert "Привет" in utf8 or "Русский" in utf8 or any("\u0400" <= c <= "\u04ff" for c in utf8)
    assert docflt.extract(multilang, codepage="unicode") == utf8
    assert docflt.extract_bytes(multilang, codepage="unicode") == utf8.encode("utf-16-le")
    # An explicit code page: the same bytes doctext gets, decoded with it.
    status, cp1251 = doctext(multilang, "--codepage", "1251")
    assert docflt.extract_bytes(multilang, codepage=1251) == cp1251
    text1251 = docflt.extract(multilang, codepage="1251")
    assert text1251 == cp1251.decode("cp1251")
    cyrillic = [c for c in utf8 if "\u0410" <= c <= "\u044f"]
    assert cyrillic and all(c in text1251 for c in cyrillic)
    assert not any("\u0410" <= c <= "\u044f" for c in docflt.extract(multilang, codepage=1252))
    # Modes whose bytes mix code pages are bytes only.
    with pytest.raises(ValueError):
        docflt.extract(multilang, codepage="default")
    assert docflt.extract_bytes(multilang, codepage="default") == doctext(
        multilang, "--codepage", "default")[1]
    for bad in ("klingon", 2 ** 40, True, 1.5):
        with pytest.raises((ValueError, TypeError)):
            docflt.extract(SAMPLE, codepage=bad)


def test_errors_carry_code_message_and_path(corpus_files, tmp_path):
    with pytest.raises(docflt.FormatError) as info:
        docflt.extract(b"\xffWPC\x10\0\0\0\x01\x0a\0\x01" * 40)
    assert info.value.code == docflt.ERR_FORMAT == 1 and "not a Word document" in str(info.value)
    assert isinstance(info.value, docflt.FilterError)

    password = [p for p in corpus_files if "password" in os.path.basename(p)]
    assert password
    for path in password:
        with pytest.raises(docflt.PasswordError) as info:
            docflt.extract(path)
        err = info.value
        assert (err.code, err.path) == (docflt.ERR_PASSWORD, path)
        # Errors cross process boundaries (Dask) intact.
        again = pickle.loads(pickle.dumps(err))
        assert type(again) is docflt.PasswordError
        assert (again.code, again.message, again.path) == (err.code, err.message, err.path)
        # The streamed routes report the same.
        with pytest.raises(docflt.PasswordError):
            docflt.extract(open(path, "rb").read())

    with pytest.raises(FileNotFoundError):
        docflt.extract(str(tmp_path / "missing.doc"))
    with pytest.raises(OSError, match="not a regular file"):
        docflt.extract(str(tmp_path))
    with pytest.raises(TypeError):
        docflt.extract(12345)
    with pytest.raises(TypeError):
        docflt.extract(io.StringIO("text mode"))


def test_a_failing_source_reports_the_host_code_with_its_cause():
    class Broken(io.RawIOBase):
        def __init__(self):
            self.served = 0

        def readable(self):
            return True

        def seekable(self):
            return True

        def tell(self):
            return 0

        def seek(self, offset, whence=0):
            return 50000 if whence == os.SEEK_END else 0

        def readinto(self, buffer):
            if self.served:
                raise OSError("disk gone")
            self.served = 1
            buffer[:4] = b"\xd0\xcf\x11\xe0"
            return 4
    with pytest.raises(docflt.FilterError) as info:
        docflt.extract(Broken())
    assert info.value.code == docflt.HOST_READ_ERROR
    assert "disk gone" in info.value.message
    assert isinstance(info.value.__cause__, OSError)
    # The next document on the same thread is not disturbed.
    assert "docflt" in docflt.extract(SAMPLE)


def test_no_temporary_files_are_left(corpus_files, monkeypatch, tmp_path):
    # Streamed documents the storage route refuses go through temporary copies.
    monkeypatch.setenv("TMPDIR", str(tmp_path))
    for path in corpus_files[:40]:
        try:
            docflt.extract(open(path, "rb").read())
        except docflt.FilterError:
            pass
    assert os.listdir(tmp_path) == []


def test_the_plugin_is_found_beside_the_package_and_must_start(tmp_path, plugin_path):
    package = os.path.dirname(docflt.__file__)
    copy = tmp_path / "site" / "docflt"
    shutil.copytree(package, copy, ignore=shutil.ignore_patterns("__pycache__", "_location.py"))
    shutil.copy(plugin_path, copy / _abi.PLUGIN_NAME)
    code = "import docflt; print(docflt.default_plugin().path)"
    env = dict(os.environ, PYTHONPATH=str(tmp_path / "site"))
    env.pop("DOCFLT_PLUGIN", None)
    # Without its registration the plug-in finds no server and says so.
    proc = subprocess.run([sys.executable, "-c", code], env=env,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, cwd=tmp_path)
    assert proc.returncode != 0
    assert "could not start" in proc.stderr and "PluginError" in proc.stderr
    # With the registration beside it, it starts from there.
    shutil.copy(os.path.join(os.path.dirname(plugin_path), "docflt.reg"), copy / "docflt.reg")
    proc = subprocess.run([sys.executable, "-c", code], env=env,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, cwd=tmp_path)
    assert proc.returncode == 0, proc.stderr
    assert proc.stdout.strip() == str(copy / _abi.PLUGIN_NAME)


def test_an_explicit_plugin_path_that_fails(tmp_path, plugin_path):
    with pytest.raises(docflt.PluginError) as info:
        docflt.Plugin(str(tmp_path / "nothing.flt"))
    assert info.value.code == docflt.ERR_INVALID
    # A shared object without the four exports (the server module).
    not_a_plugin = tmp_path / "other.flt"
    shutil.copy(os.path.join(os.path.dirname(plugin_path), "wordfilt.so"), not_a_plugin)
    with pytest.raises(docflt.PluginError, match="exports missing"):
        docflt.Plugin(str(not_a_plugin))
