#!/usr/bin/env python3
"""The baseline a user would otherwise write: the page through the standard library's
html.parser, one event per table row. Times the parse of an already decoded page and prints
the median in milliseconds: `ms=<median> events=<count>`."""
import statistics
import sys
import time
from datetime import datetime, timezone
from html.parser import HTMLParser


class CatalogueScraper(HTMLParser):
    def __init__(self):
        super().__init__()
        self.rows = []
        self.row = None
        self.cell = None
        self.header = False

    def handle_starttag(self, tag, attrs):
        if tag == "tr":
            self.row, self.header = [], False
        elif tag == "th" and self.row is not None:
            self.header = True
        elif tag == "td" and self.row is not None:
            self.cell = []

    def handle_endtag(self, tag):
        if tag == "td" and self.cell is not None:
            self.row.append("".join(self.cell).strip())
            self.cell = None
        elif tag == "tr" and self.row is not None:
            if not self.header:
                self.rows.append(self.row)
            self.row = None

    def handle_data(self, data):
        if self.cell is not None:
            self.cell.append(data)


def number(text):
    return float(text.replace(",", "."))


def parse(page):
    scraper = CatalogueScraper()
    scraper.feed(page)
    scraper.close()
    events = []
    for cells in scraper.rows:
        if len(cells) < 10 or not cells[0]:
            continue
        try:
            date = datetime.strptime(cells[1] + " " + cells[2], "%d/%m/%Y %H:%M:%S").replace(tzinfo=timezone.utc)
            lat, lon, depth, mag = number(cells[3]), number(cells[4]), number(cells[5]), number(cells[7])
        except ValueError:
            continue
        events.append((cells[0], date, lat, lon, depth, mag, cells[8] or "\u2014", cells[6] or None, cells[9]))
    return events


def main():
    path, runs = sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 5
    with open(path, "rb") as f:
        page = f.read().decode("utf-8")
    times, events = [], []
    for _ in range(runs):
        events = None  # freed before the clock starts, as the C++ side does
        start = time.perf_counter()
        events = parse(page)
        times.append((time.perf_counter() - start) * 1000)
    count = len(events)
    print(f"ms={statistics.median(times):.3f} events={count}")


if __name__ == "__main__":
    main()
