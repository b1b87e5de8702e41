"""A second CardDAV client for the tests: reads an address book back with
REPORT addressbook-query and parses each vCard with vobject; can also
change a card on the server as another client would. The password comes
from FERRYWELL_PASSWORD.

  carddav_reader.py list URL USER           uid, etag, FN and e-mail of each card
  carddav_reader.py compare URL USER DIR    whether the cards are those of the .vcf files below DIR
  carddav_reader.py edit URL USER FN NOTE   gives the card named FN a note
  carddav_reader.py groups URL USER         each contact group: its FN, then its members' FNs
"""
import base64, collections, glob, os, sys, urllib.parse, urllib.request
import xml.etree.ElementTree as ET
import vobject

NS = {"D": "DAV:", "C": "urn:ietf:params:xml:ns:carddav"}
QUERY = b"""<?xml version="1.0" encoding="utf-8"?>
<C:addressbook-query xmlns:D="DAV:" xmlns:C="urn:ietf:params:xml:ns:carddav">
<D:prop><D:getetag/><C:address-data/></D:prop></C:addressbook-query>"""


def send(method, url, user, body=None, headers=None):
    auth = base64.b64encode(f"{user}:{os.environ['FERRYWELL_PASSWORD']}".encode()).decode()
    request = urllib.request.Request(url, data=body, method=method,
                                     headers={"Authorization": "Basic " + auth, **(headers or {})})
    return urllib.request.urlopen(request)


def cards(url, user):
    reply = send("REPORT", url, user, QUERY, {"Depth": "1", "Content-Type": "application/xml; charset=utf-8"})
    out = []
    for r in ET.fromstring(reply.read()).findall("D:response", NS):
        data = r.find(".//C:address-data", NS)
        if data is not None and data.text:
            out.append((r.find("D:href", NS).text, r.find(".//D:getetag", NS).text, vobject.readOne(data.text)))
    return out


def canonical(card):
    return tuple(sorted(l for l in card.serialize().splitlines() if not l.startswith(("UID", "PRODID"))))


command, url, user = sys.argv[1:4]
if command == "list":
    for href, etag, card in sorted(cards(url, user), key=lambda c: c[2].uid.value):
        email = card.email.value if hasattr(card, "email") else ""
        print(f"{card.uid.value}\t{etag}\t{card.fn.value}\t{email}")
elif command == "compare":
    server = collections.Counter(canonical(c) for _, _, c in cards(url, user))
    files = {canonical(vobject.readOne(open(p, encoding="utf-8").read()))
             for p in glob.glob(os.path.join(sys.argv[4], "**", "*.vcf"), recursive=True)}
    twice = [c for c, n in server.items() if n > 1]
    print("same" if set(server) == files and not twice else f"differ: {len(server)} on the server, {len(files)} files, {len(twice)} twice")
elif command == "groups":
    found = [c for _, _, c in cards(url, user)]
    by_uid = {c.uid.value: c.fn.value for c in found}
    for card in sorted(found, key=lambda c: c.fn.value):
        kinds = [k.value for k in card.contents.get("x-addressbookserver-kind", [])]
        if kinds == ["group"]:
            members = [m.value.removeprefix("urn:uuid:") for m in card.contents.get("x-addressbookserver-member", [])]
            print(card.fn.value + ": " + ", ".join(sorted(by_uid.get(m, "?") for m in members)))
elif command == "edit":
    for href, etag, card in cards(url, user):
        if card.fn.value == sys.argv[4]:
            card.add("note").value = sys.argv[5]
            send("PUT", urllib.parse.urljoin(url, href), user, card.serialize().encode(),
                 {"If-Match": etag, "Content-Type": "text/vcard; charset=utf-8"})
            print("edited")
