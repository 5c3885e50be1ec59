"""Pages of one book drawn from several Python threads at once: the same bytes as xlxrender, and
other Python threads run while the filter draws."""
import glob
import os
import random
import subprocess
import sys
import threading
import time
from concurrent.futures import ThreadPoolExecutor

import xlxfilter


def _xlxrender_pages(tool, workbook, out_dir, dpi):
    subprocess.run([tool, "-q", "-r", str(dpi), workbook, os.path.join(out_dir, "page")], check=True)
    files = sorted(glob.glob(os.path.join(out_dir, "page-*.png")))
    return [open(f, "rb").read() for f in files]


def test_threads_draw_the_bytes_xlxrender_writes(workbook, xlxrender, tmp_path):
    with xlxfilter.open(workbook) as book:
        for dpi in (96, 130):  # the book's own resolution and a second one drawn beside it
            out = tmp_path / str(dpi)
            out.mkdir()
            expected = _xlxrender_pages(xlxrender, workbook, str(out), dpi)
            assert len(expected) == book.page_count
            order = [n for n in range(book.page_count) for _ in range(3)]
            random.Random(dpi).shuffle(order)
            with ThreadPoolExecutor(max_workers=4) as pool:
                drawn = list(pool.map(lambda i: (i, book.pages[i].png(dpi=dpi)), order))
            for index, data in drawn:
                assert data == expected[index], f"page {index + 1} at {dpi} dpi"


def test_threads_on_many_resolutions_keep_each_page_right(workbook):
    # More resolutions than a book keeps parses for: each is dropped and made again while others draw.
    with xlxfilter.open(workbook) as book:
        page = book.pages[0]
        width, height = page.size
        resolutions = [40, 50, 60, 70, 80, 90] * 3
        with ThreadPoolExecutor(max_workers=4) as pool:
            sizes = list(pool.map(lambda d: (d, page.image(dpi=d).size), resolutions))
        for dpi, (w, h) in sizes:
            assert abs(w - width * dpi / 96) <= 1 and abs(h - height * dpi / 96) <= 1, dpi


def test_drawing_releases_the_interpreter_lock(workbook):
    # A thread that keeps the lock inside the filter stops this one for the whole page; one that
    # lets go leaves it only the interpreter's usual switching pauses.
    with xlxfilter.open(workbook) as book:
        spans = {}

        def draw():
            start = time.perf_counter()
            book.pages[0].png(dpi=400)
            spans["draw"] = time.perf_counter() - start

        worker = threading.Thread(target=draw)
        worker.start()
        last = time.perf_counter()
        longest = 0.0
        while worker.is_alive():
            now = time.perf_counter()
            longest, last = max(longest, now - last), now
        worker.join()
        assert longest < spans["draw"] / 2, (longest, spans["draw"])


def test_closing_while_threads_draw_finishes_or_refuses_cleanly(workbook):
    book = xlxfilter.open(workbook)
    outcomes = []

    def draw(n):
        try:
            outcomes.append(len(book.pages[n % 3].png()) > 0)
        except xlxfilter.BookClosed:
            outcomes.append("closed")

    with ThreadPoolExecutor(max_workers=3) as pool:
        futures = [pool.submit(draw, n) for n in range(12)]
        book.close()
        for f in futures:
            f.result()
    assert len(outcomes) == 12 and set(outcomes) <= {True, "closed"}
    assert book.closed
