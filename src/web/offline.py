"""Writes the page's service worker: its template with the list of every file the page needs
and a version drawn from the names and contents of every file of the site, so that any
change to any file makes a new worker, which the browser installs in place of the old one.

usage: offline.py SITE TEMPLATE"""
import hashlib
import json
import os
import sys


def main():
    site, template = sys.argv[1], sys.argv[2]
    files = sorted(os.path.relpath(os.path.join(d, f), site).replace(os.sep, "/")
                   for d, _, names in os.walk(site) for f in names)
    files = [f for f in files if f != "sw.js" and not any(p.startswith(".") for p in f.split("/"))]
    digest = hashlib.sha256()
    for name in files:
        digest.update(name.encode() + b"\0" + open(os.path.join(site, name), "rb").read())
    # The icons are for installing the page, and the system keeps its own copy of the one it
    # shows: the page never asks for them, and a phone need not keep them twice.
    files = [f for f in files if not f.startswith("icons/")]
    text = open(template, encoding="utf-8").read()
    text = text.replace("'@BUILD@'", json.dumps(digest.hexdigest()[:16])).replace("@FILES@", json.dumps(files))
    with open(os.path.join(site, "sw.js"), "w", encoding="utf-8") as out:
        out.write(text)


if __name__ == "__main__":
    main()
