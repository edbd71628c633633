#!/usr/bin/python3
"""Checks the built manual: every link and picture of every page points to a file of the
manual that exists, every #anchor to an anchor of its page, nothing points outside the manual,
and every page can be reached from the start page.

    python3 tests/data/check_manual.py <manual folder>"""
import os
import sys
import unittest
from html.parser import HTMLParser
from urllib.parse import unquote, urlsplit

FOLDER = None


class Page(HTMLParser):
    def __init__(self):
        super().__init__()
        self.anchors = set()
        self.links = []  # (tag, target)

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        for name in ("id", "name") if tag == "a" else ("id",):
            if attrs.get(name):
                self.anchors.add(attrs[name])
        if tag == "a" and "href" in attrs:
            self.links.append((tag, attrs["href"]))
        if tag == "img":
            self.links.append((tag, attrs.get("src", "")))


def read_pages(folder):
    pages = {}
    for name in sorted(os.listdir(folder)):
        if name.endswith(".html"):
            page = Page()
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                page.feed(f.read())
            pages[name] = page
    return pages


class ManualLinks(unittest.TestCase):
    def setUp(self):
        self.pages = read_pages(FOLDER)

    def test_start_page_exists(self):
        self.assertIn("index.html", self.pages)

    def test_every_link_resolves(self):
        for name, page in self.pages.items():
            for tag, target in page.links:
                with self.subTest(page=name, target=target):
                    parts = urlsplit(target)
                    self.assertFalse(parts.scheme or parts.netloc, "the manual links outside itself")
                    path = unquote(parts.path) or name
                    resolved = os.path.normpath(os.path.join(os.path.dirname(name), path))
                    self.assertFalse(resolved.startswith(".."), "the link leaves the manual's folder")
                    self.assertTrue(os.path.isfile(os.path.join(FOLDER, resolved)), "no such file")
                    if parts.fragment:
                        self.assertEqual(tag, "a")
                        self.assertIn(resolved, self.pages, "an anchor in a file that is no page")
                        self.assertIn(unquote(parts.fragment), self.pages[resolved].anchors, "no such anchor")

    def test_every_page_reachable_from_the_start_page(self):
        seen, todo = set(), ["index.html"]
        while todo:
            name = todo.pop()
            if name in seen or name not in self.pages:
                continue
            seen.add(name)
            for tag, target in self.pages[name].links:
                path = urlsplit(target).path
                if tag == "a" and path:
                    todo.append(os.path.normpath(os.path.join(os.path.dirname(name), unquote(path))))
        self.assertEqual(sorted(set(self.pages) - seen), [])


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: check_manual.py <manual folder>")
    FOLDER = sys.argv.pop(1)
    unittest.main(verbosity=1)
