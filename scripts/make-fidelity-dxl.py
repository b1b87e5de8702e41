#!/usr/bin/python3
"""Write samples/fidelity.dxl: a small address book whose Person documents
carry every item a contact export maps, to check that each value lands where
it means in every output and that nothing is lost.

The contents are fixed, so running the script again gives the same bytes.
Usage:

    scripts/make-fidelity-dxl.py [OUT]      (default: samples/fidelity.dxl)
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from dxlwrite import (ADDRESS_BOOK_VIEWS, Attachment, Bold, DateTime, File,  # noqa: E402
                      Link, Names, NoteIds, Picture, RichText, Tab,
                      database_end, database_start, document_element,
                      noteinfo, view_element)

# The smallest GIF: one transparent pixel.
PIXEL = bytes.fromhex('47494638396101000100800000000000ffffff21f9040100000000'
                      '2c00000000010001000002024401003b')

# 1,500 characters, more than the 1,023 a value may keep; a CJK character
# sits across the limit.
LONG_STREET = ('Unit 4, Harbour Trade Centre, ' * 34)[:1020] + '港湾大道' + \
    ''.join(' Block %d' % i for i in range(60))
LONG_STREET = LONG_STREET[:1500]

# Every item, in the English of an American address book.
EVERY_ITEM = [
    ('Title', 'Dr.'),
    ('FirstName', 'Jane'),
    ('MiddleInitial', 'Q'),
    ('LastName', 'Doe'),
    ('Suffix', 'Jr.'),
    ('FullName', ['Jane Q Doe', 'CN=Jane Q Doe/OU=Sales/O=Acme', 'jdoe']),
    ('ShortName', 'jdoe'),
    ('Nickname', 'JD'),
    ('AltFullName', 'CN=ジェーン ドウ/O=Acme'),
    ('CompanyName', 'Acme Corporation'),
    ('JobTitle', 'Vice President, Sales'),
    ('Department', 'Sales'),
    ('Location', 'Building 3, Room 301'),
    ('Manager', 'CN=Richard Roe/OU=Sales/O=Acme'),
    ('Assistant', 'CN=Peter Quincy/OU=Sales/O=Acme'),
    ('Spouse', 'John Doe'),
    ('Children', ['Emily', 'Jack']),
    ('Categories', ['Business', 'Golf, Tennis', 'VIP']),
    ('StreetAddress', '42 Elm Street\nApartment 7'),
    ('City', 'Brookline'),
    ('State', 'MA'),
    ('Zip', '02445'),
    ('Country', 'United States'),
    ('OfficeStreetAddress', '1 Main Street'),
    ('OfficeCity', 'Cambridge'),
    ('OfficeState', 'MA'),
    ('OfficeZip', '02142'),
    ('OfficeCountry', 'USA'),
    ('PhoneNumber', '+1 617 555 0123'),
    ('Home2Phone', '+1 617 555 0125'),
    ('OfficePhoneNumber', '+1 617 555 0100'),
    ('Work2Phone', '+1 617 555 0102'),
    ('CellPhoneNumber', '+1 617 555 0150'),
    ('PersPager', '+1 617 555 0199'),
    ('OfficeFAXPhoneNumber', '+1 617 555 0180'),
    ('HomeFAXPhoneNumber', '+1 617 555 0181'),
    ('AssistantPhone', '+1 617 555 0110'),
    ('CarPhone', '+1 617 555 0160'),
    ('MailAddress', ['jane.doe@acme.example', 'jane@doe-family.example',
                     'jq@golfclub.example', 'jane.doe@board.example']),
    ('InternetAddress', 'jdoe@acme-internet.example'),
    ('WebSite', 'https://jane.doe-family.example'),
    ('Birthday', DateTime('19760229')),
    ('Anniversary', DateTime('20010615')),
    ('Comment', RichText('Met at the Boston trade fair in 2004.',
                         ['Prefers ', Bold('e-mail'), ' over phone calls.'])),
    ('Subject', 'Jane Q Doe'),
    ('Body', RichText(
        ['Card:', Tab, Picture(PIXEL), Tab, 'scanned 2004'],
        ['Price list\tby fax', ' and at ',
         Link('our site', 'https://acme.example/prices?year=2004&q=1')],
        '',
        [Attachment('card.txt'), ' attached.'])),
]

# The business address alone, with the e-mail slots set by MiscPhone1 and
# MiscPhone2 and an Internet address that repeats the mail address.
OFFICE_ONLY = [
    ('FirstName', 'Klaus'),
    ('LastName', 'Würzburger'),
    ('FullName', 'Klaus Würzburger'),
    ('CompanyName', 'Würzburger Maschinenbau GmbH'),
    ('OfficeStreetAddress', 'Industriestraße 12'),
    ('OfficeCity', 'München'),
    ('OfficeZip', '80331'),
    ('OfficeCountry', 'Deutschland'),
    ('OfficePhoneNumber', '+49 89 555 0123'),
    ('MailAddress', 'k.wuerzburger@wmb.example.de'),
    ('InternetAddress', 'k.wuerzburger@wmb.example.de'),
    ('MiscPhone1', 'klaus@privat.example.de'),
    ('MiscPhone2', 'kw@verein.example.de'),
    ('Categories', 'Suppliers'),
    ('Birthday', DateTime('19650101')),
]

# Japanese values throughout, an over-long street, and a home address only.
CJK = [
    ('Title', '博士'),
    ('FirstName', '太郎'),
    ('LastName', '山田'),
    ('FullName', '山田 太郎'),
    ('Nickname', 'タロー'),
    ('CompanyName', '山田商事株式会社'),
    ('JobTitle', '営業部長'),
    ('Department', '営業部'),
    ('Manager', 'CN=鈴木 一郎/O=山田商事'),
    ('Spouse', '山田 花子'),
    ('Children', ['一郎', '次郎', '三郎']),
    ('Categories', ['取引先', '友人']),
    ('StreetAddress', LONG_STREET),
    ('City', '横浜市'),
    ('State', '神奈川県'),
    ('Zip', '220-0012'),
    ('Country', '日本'),
    ('PhoneNumber', '+81 45 555 0123'),
    ('CellPhoneNumber', '+81 90 5555 0123'),
    ('MailAddress', 'taro.yamada@yamada-shoji.example.jp'),
    ('Birthday', DateTime('19750314')),
    ('Comment', RichText('東京の展示会で会った。', '贈答品はお茶が好き。')),
]

# What sets nothing: two birthdays joined, an empty item, a blank value.
ODD_VALUES = [
    ('FirstName', 'Robin'),
    ('LastName', 'Fairbanks'),
    ('FullName', 'Robin Fairbanks'),
    ('Birthday', DateTime('19800101', '19810202')),
    ('JobTitle', ''),
    ('Spouse', ' '),
    ('State', 'Vermont'),
]

PEOPLE = [
    ('every item', EVERY_ITEM,
     dict(files=[File('card.txt', b'Jane Q Doe\r\nAcme Corporation\r\n',
                      '20040611T141200,00-04', '20040611T141200,00-04')])),
    ('business address only', OFFICE_ONLY, {}),
    ('Japanese values, an over-long street', CJK, {}),
    ('two joined birthdays, empty and blank values', ODD_VALUES,
     dict(updatedby=['CN=Jane Q Doe/OU=Sales/O=Acme'])),
]


def build(out):
    ids = NoteIds()
    design = [view_element(view, ids.take(), '20030105T090000,00-05',
                           '20090610T120000,00-04')
              for view in ADDRESS_BOOK_VIEWS]
    docs = []
    for n, (what, items, kw) in enumerate(PEOPLE, 1):
        info = noteinfo(ids.take(), 'fidelity:' + what, n,
                        '2004061%dT141200,00-04' % n,
                        '2009061%dT081500,00-04' % n, dst=True)
        docs.append(document_element('Person', info, items, **kw))
    with open(out, 'w', encoding='utf-8', newline='\n') as f:
        f.write(database_start('Fidelity Address Book', 'fidelity.nsf',
                               '852571E80054F1D7', len(docs),
                               '20090619T081500,00-04',
                               '20090610T120000,00-04'))
        f.writelines(design)
        f.writelines(docs)
        f.write(database_end())


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = (sys.argv[1] if len(sys.argv) > 1
           else os.path.join(here, '..', 'samples', 'fidelity.dxl'))
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    build(out)


if __name__ == '__main__':
    main()
