#!/usr/bin/python3
"""Write crafted DXL files that stress the Notes reader, for measuring time and
memory by hand (they are too large to keep in the repository).

    scripts/make-hostile-dxl.py CASE OUT [N [DOCUMENTS]]

CASE is one of:
  or-chain     a "Contacts" view selecting with N terms joined by |   (N=100000)
  and-chain    the same with &                                        (N=100000)
  colon-list   Form compared with a literal list of N values          (N=100000)
  list-compare 100 Person documents, a view comparing two literal lists
               of N values each                                       (N=20000)
  categories   20 Person documents with N category values each, in a
               categorised "By Category" view                         (N=5000)
  big-text     one Person document whose FullName is N MB of text     (N=200)
  big-comment  one Person document whose rich-text Comment is N MB in
               paragraphs of about 100 characters, listed in three views
                                                                      (N=50)
  big-file     one Person document with an attached file of N MB      (N=40)
  many-docs    N Person documents, for changing a file while it is listed
                                                                      (N=300000)
DOCUMENTS changes the number of Person documents of the formula cases (100).
The output depends only on the arguments, and is written as it is generated.
"""

import sys

HEAD = ("<?xml version='1.0' encoding='utf-8'?>\n"
        "<!DOCTYPE database SYSTEM 'xmlschemas/domino_8_5_3.dtd'>\n"
        "<database xmlns='http://www.lotus.com/dxl' version='8.5' title='Hostile'>\n")
TAIL = "</database>\n"


def view(out, name, formula, columns=""):
    out.write("<view name='%s'><code event='selection'><formula>%s</formula></code>%s</view>\n"
              % (name, formula, columns))


def person(out, number, extra=""):
    out.write("<document form='Person'><noteinfo noteid='%x'/>"
              "<item name='FullName'><text>Person %d</text></item>"
              "<item name='LastName'><text>Last %d</text></item>%s</document>\n"
              % (number + 1, number, number, extra))


def literal_list(n, prefix):
    return ":".join('"%s%d"' % (prefix, i) for i in range(n))


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    case, path = sys.argv[1], sys.argv[2]
    defaults = {"or-chain": 100000, "and-chain": 100000, "colon-list": 100000, "list-compare": 20000,
                "categories": 5000, "big-text": 200, "big-comment": 50, "big-file": 40,
                "many-docs": 300000}
    if case not in defaults:
        sys.exit(__doc__)
    n = int(sys.argv[3]) if len(sys.argv) > 3 else defaults[case]
    with open(path, "w", encoding="utf-8") as out:
        out.write(HEAD)
        docs = int(sys.argv[4]) if len(sys.argv) > 4 else 100
        if case == "or-chain":
            view(out, "Contacts", " | ".join(['Form = "Person"'] + ['Form = "X%d"' % i for i in range(n - 1)]))
        elif case == "and-chain":
            view(out, "Contacts", " &amp; ".join(['Form = "Person"'] * n))
        elif case == "colon-list":
            view(out, "Contacts", "Form = " + literal_list(n - 1, "X") + ':"Person"')
        elif case == "list-compare":
            # the lists share their last value, so every document is listed
            view(out, "Contacts", literal_list(n, "a") + ' = ' + literal_list(n - 1, "b") + ':"a%d"' % (n - 1))
        elif case == "categories":
            view(out, "By Category", 'SELECT Form = "Person"',
                 "<column itemname='Categories' sort='ascending' categorized='true'/>"
                 "<column itemname='LastName' sort='ascending'/>")
            docs = 20
        elif case == "big-text":
            view(out, "Contacts", 'SELECT Form = "Person"', "<column itemname='FullName' sort='ascending'/>")
            chunk = "abcdefghij" * 100000
            out.write("<document form='Person'><item name='FullName'><text>")
            for _ in range(n):
                out.write(chunk)
            out.write("</text></item></document>\n")
            docs = 0
        elif case == "big-comment":
            for name in ("Contacts", "By Name", "By Company"):
                view(out, name, 'SELECT Form = "Person"', "<column itemname='LastName' sort='ascending'/>")
            par = "<par>" + "Met at the trade fair; follow up on the offer &amp; the samples. " * 3 + "</par>\n"
            pars = (n << 20) // len(par)
            person(out, 0, "<item name='Comment'><richtext>" + "".join(par for _ in range(pars)) + "</richtext></item>")
            docs = 0
        elif case == "big-file":
            import base64
            view(out, "Contacts", 'SELECT Form = "Person"', "<column itemname='LastName' sort='ascending'/>")
            block = bytes(range(256)) * 3 * 1024  # 768 KiB: a whole number of base64 groups
            out.write("<document form='Person'><noteinfo noteid='1'/><item name='FullName'><text>Person 0</text></item>"
                      "<item name='$FILE'><object><file name='data.bin'><filedata>")
            for _ in range((n << 20) // len(block)):
                out.write(base64.b64encode(block).decode())
            out.write("</filedata></file></object></item></document>\n")
            docs = 0
        elif case == "many-docs":
            view(out, "Contacts", 'SELECT Form = "Person"')
            docs = n
        for d in range(docs):
            extra = ""
            if case == "categories":
                extra = ("<item name='Categories'><textlist>" +
                         "".join("<text>c%d</text>" % i for i in range(n)) + "</textlist></item>")
            person(out, d, extra)
        out.write(TAIL)


if __name__ == "__main__":
    main()
