"""extract_many (order, threads, failures, laziness) and python3 -m docflt."""

import itertools
import os
import threading

import pytest

import docflt
from conftest import SAMPLE, run_module


def serial_texts(paths):
    out = []
    for p in paths:
        try:
            out.append(docflt.extract(p))
        except (docflt.FilterError, OSError):
            out.append(None)
    return out


def test_results_in_input_order_with_failures_in_place(corpus_files, tmp_path):
    missing = str(tmp_path / "missing.doc")
    paths = corpus_files + [missing, SAMPLE] + corpus_files[::-1]
    expected = serial_texts(paths)
    for jobs in (1, 2, 5):
        results = list(docflt.extract_many(paths, jobs=jobs))
        assert [r.path for r in results] == paths
        assert [r.text for r in results] == expected, "jobs=%d" % jobs
        for r in results:
            assert r.ok == (r.text is not None)
            assert (r.code == 0) == r.ok and (r.error is None) == r.ok
        gone = results[len(corpus_files)]
        assert gone.code is None and "No such file" in gone.error
        password = [r for r in results if "password" in os.path.basename(r.path)]
        assert password and all(r.code == docflt.ERR_PASSWORD for r in password)
        assert all(r.error == docflt.describe(docflt.ERR_PASSWORD) for r in password)


def test_paths_are_taken_lazily_and_an_abandoned_run_stops():
    taken = []

    def endless():
        for n in itertools.count():
            taken.append(n)
            yield SAMPLE
    for jobs in (1, 3):
        taken.clear()
        results = docflt.extract_many(endless(), jobs=jobs)
        first = list(itertools.islice(results, 10))
        assert len(first) == 10 and all(r.ok for r in first)
        assert len(taken) < 500  # a bounded read-ahead, not the whole iterable
        results.close()  # the worker threads are shut down
        assert not [t for t in threading.enumerate() if t.name.startswith("docflt")]


def test_arguments_are_checked_before_any_work():
    with pytest.raises(ValueError):
        next(docflt.extract_many([SAMPLE], jobs=0))
    with pytest.raises(ValueError):
        next(docflt.extract_many([SAMPLE], codepage="default"))
    assert list(docflt.extract_many([])) == []


def test_the_command_prints_texts_in_order_and_reports_failures(corpus_files, doctext, tmp_path):
    status, expected = doctext(SAMPLE)
    proc = run_module(SAMPLE, SAMPLE)
    assert proc.returncode == 0
    assert proc.stdout == expected + expected
    # A directory: the plug-in's extensions, recursively, sorted; failures on
    # standard error; exit status 1.
    proc = run_module("-j", "2", os.path.dirname(corpus_files[0]))
    assert proc.returncode == 1
    stderr = proc.stderr.decode()
    assert "password-protected (result 6)" in stderr
    texts = [r.text for r in docflt.extract_many(corpus_files)]
    assert proc.stdout == "".join(t for t in texts if t is not None).encode()
    assert "%d documents, %d extracted, %d failed" % (
        len(texts), sum(t is not None for t in texts), sum(t is None for t in texts)) in stderr
    # A plug-in that cannot be loaded is status 2, with the reason.
    proc = run_module("--plugin", str(tmp_path / "none.flt"), SAMPLE)
    assert proc.returncode == 2 and b"none.flt" in proc.stderr
