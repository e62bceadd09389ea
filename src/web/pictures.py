"""The window's pictures in the page itself, one <symbol> each, so that the browser draws them
as part of the page: an <img> of an SVG file is a fetch and a document of its own, and the
window's first frame waited for all of them. Each picture's ids are prefixed with its name,
as the symbols share one document.

The symbols lie in a group that is not displayed, so that the browser styles their contents
only where a control uses one, and a hidden logo costs the first frame nothing. The group, not
the symbols: WebKit styles a picture where it is used by the rules of its symbol, and draws
nothing of a symbol that is not displayed. A gradient in a subtree that is not displayed
paints nothing, so the gradients are kept beside the group."""
import os
import re
import sys


GRADIENT = re.compile(r"<(linearGradient|radialGradient)\b.*?</\1>", re.S)


def symbol(path):
    name = os.path.basename(path)[: -len(".svg")]
    text = open(path, encoding="utf-8").read()
    text = re.sub(r"<\?xml.*?\?>|<!--.*?-->|<title>.*?</title>", "", text, flags=re.S)
    for old in re.findall(r'\bid="([^"]+)"', text):
        new = "%s-%s" % (name, old)
        text = re.sub(r'(\bid="|url\(#|href="#)%s([")])' % re.escape(old), r"\g<1>%s\2" % new, text)
    box = re.search(r'<svg\b[^>]*\bviewBox="([^"]+)"', text)
    if not box:
        sys.exit("%s: no viewBox" % path)
    text = re.sub(r"<svg\b[^>]*>", '<symbol id="pic-%s" viewBox="%s">' % (name, box.group(1)), text, count=1)
    return re.sub(r"\s+", " ", text.replace("</svg>", "</symbol>")).strip()


def with_pictures(page, pictures):
    """The page's text with the pictures where its template marks them."""
    mark = "<!-- pictures -->"
    if page.count(mark) != 1:
        sys.exit("expected one %s in the page" % mark)
    symbols = [symbol(p) for p in sorted(pictures)]
    gradients = "".join(g.group(0) for s in symbols for g in GRADIENT.finditer(s))
    symbols = [re.sub(r"<defs>\s*</defs>\s*", "", GRADIENT.sub("", s)) for s in symbols]
    return page.replace(mark, "\n".join(["<defs>%s</defs>" % gradients, '<g class="pictures">'] + symbols + ["</g>"]))
