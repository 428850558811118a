"""docflt.dask on a local cluster of two worker processes on the loopback
interface: the same results as a serial run, also when a worker dies."""

import os
import signal
import time

import pytest

import docflt

distributed = pytest.importorskip("distributed")


@pytest.fixture(scope="module")
def client():
    cluster = distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                       host="127.0.0.1", dashboard_address=None)
    c = distributed.Client(cluster)
    yield c
    c.close()
    cluster.close()


def test_a_bag_gives_what_a_serial_run_gives(client, corpus_files, tmp_path):
    import docflt.dask
    paths = corpus_files + [str(tmp_path / "missing.doc")]
    serial = list(docflt.extract_many(paths))
    bag = docflt.dask.extract_bag(paths, partition_size=7)
    assert bag.npartitions == -(-len(paths) // 7)
    assert bag.compute() == serial
    assert docflt.dask.extract_bag(paths, codepage="unicode").compute() == serial
    assert docflt.dask.extract_bag([]).compute() == []
    # Both workers took part.
    assert len(client.run(os.getpid)) == 2


def test_a_worker_lost_in_the_middle_loses_no_document(client, corpus_files):
    import docflt.dask
    paths = corpus_files * 20
    serial = list(docflt.extract_many(corpus_files)) * 20
    bag = docflt.dask.extract_bag(paths, partition_size=4)
    futures = client.compute(bag.to_delayed())
    victims = client.run(os.getpid)
    deadline = time.monotonic() + 60
    while sum(f.done() for f in futures) < len(futures) // 20:
        assert time.monotonic() < deadline, "the cluster made no progress"
        time.sleep(0.01)
    done_at_kill = sum(f.done() for f in futures)
    victim = sorted(victims.values())[0]
    os.kill(victim, signal.SIGKILL)
    results = [r for part in client.gather(futures) for r in part]
    assert done_at_kill < len(futures), "the run ended before the worker was killed"
    assert results == serial
    # The worker really went (its nanny started another in its place).
    with pytest.raises(ProcessLookupError):
        os.kill(victim, 0)
