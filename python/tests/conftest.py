"""Shared fixtures: the repository's sample, the corpus when present, and
doctext as an independent host to compare with."""

import os
import subprocess
import sys

import pytest

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.dirname(os.path.dirname(HERE))
SAMPLE = os.path.join(SOURCE_DIR, "samples", "welcome.doc")
SHARED_DIR = os.environ.get("DOCFLT_SHARED_DIR", os.path.join(SOURCE_DIR, "..", "shared"))
CORPUS = os.path.join(SHARED_DIR, "corpus", "docs")
MULTILANG = os.path.join(SHARED_DIR, "corpus", "generated", "multilang.doc")
BIN_DIR = os.environ.get("DOCFLT_BIN_DIR", os.path.join(SOURCE_DIR, "build", "posix", "bin"))


@pytest.fixture(scope="session")
def corpus_files():
    if not os.path.isdir(CORPUS):
        pytest.skip("the shared corpus is absent")
    return sorted(os.path.join(CORPUS, n) for n in os.listdir(CORPUS)
                  if n.lower().endswith((".doc", ".dot")))


@pytest.fixture(scope="session")
def multilang():
    if not os.path.isfile(MULTILANG):
        pytest.skip("the shared corpus is absent")
    return MULTILANG


@pytest.fixture(scope="session")
def doctext():
    """Runs doctext on one file: (exit status, stdout bytes)."""
    exe = os.path.join(BIN_DIR, "doctext")
    if not os.path.isfile(exe):
        pytest.skip("doctext is not built")

    def run(path, *options):
        proc = subprocess.run([exe, "--quiet", *options, path], stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL)
        return proc.returncode, proc.stdout
    return run


@pytest.fixture(scope="session")
def plugin_path():
    import docflt
    return docflt.default_plugin().path


def run_module(*args, env=None, cwd=None):
    """python3 -m docflt ARGS with this interpreter."""
    full_env = dict(os.environ)
    full_env.update(env or {})
    return subprocess.run([sys.executable, "-m", "docflt", *args], stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, env=full_env, cwd=cwd)
