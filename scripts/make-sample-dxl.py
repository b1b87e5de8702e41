#!/usr/bin/python3
"""Write samples/names.dxl: a DXL export of a small personal address book.

The contents are fixed (no randomness, no clock), so running the script
again gives the same bytes. Usage:

    scripts/make-sample-dxl.py [OUT]      (default: samples/names.dxl)
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from dxlwrite import (ADDRESS_BOOK_VIEWS, Attachment, Bold, DateTime, File,  # noqa: E402
                      Names, NoteIds, Number, RichText, document_element,
                      generator_main, noteinfo, view_element,
                      write_database)


def stamp(n, zone='-04'):
    """A created/modified time that moves forward with n."""
    day = n % 28 + 1
    month = n // 28 % 12 + 1
    year = 2003 + n // 336
    return '%04d%02d%02dT%02d%02d%02d,%02d%s' % (
        year, month, day, 8 + n % 10, n * 7 % 60, n * 13 % 60, n * 31 % 100,
        zone)


# A comment longer than 1,023 characters. Characters 0..1021 are ASCII; the
# emoji that follows takes UTF-16 units 1022 and 1023 and UTF-8 bytes
# 1022..1025, so a cut after 1,023 units or bytes lands inside it.
def long_comment():
    sentence = ('Long-standing customer since 1998; prefers calls before noon '
                'and written quotes by mail. ')
    text = (sentence * 20)[:1022]
    return text + '\U0001F600' + (' Renewal due in March; ask about the '
                                  'Zürich office and the Øresund project.'
                                  ' ' + sentence * 3).rstrip()


JANE = [
    ('FullName', ['Jane Q Doe', 'CN=Jane Doe/O=Acme', 'jdoe']),
    ('FirstName', 'Jane'),
    ('MiddleInitial', 'Q'),
    ('LastName', 'Doe'),
    ('Title', 'Dr.'),
    ('Suffix', 'Jr.'),
    ('ShortName', 'jdoe'),
    ('Nickname', 'JD'),
    ('AltFullName', 'CN=ジェーン ドウ/O=Acme'),
    ('AltFullNameLanguage', 'ja'),
    ('AltFullNameLanguageDisplay_1', 'Japanese'),
    ('AltFullNameSort', 'ドウ ジェーン'),
    ('AreaCodeFromLoc', '617'),
    ('Assistant', 'Peter Quincy'),
    ('AssistantPhone', '+1 617 555 0110'),
    ('Assistant2Phone', '+1 617 555 0111'),
    ('Briefcase', 'Q3 forecast.xls'),
    ('BusinessAddress', 'Acme Corporation\n1 Main Street\nCambridge, MA 02142\n'
                        'United States'),
    ('Categories', ['Business', 'Friends', 'Golf']),
    ('Certificate', '0301 A3F2 9C1B 44E0 7D21 B8C5 E003 11F4'),
    ('Children', 'Emily, Jack'),
    ('City', 'Brookline'),
    ('Comment', RichText('Met at the Boston trade fair in 2004.',
                         ['Prefers ', Bold('e-mail'), ' over phone calls.'],
                         '',
                         'Keeps the signed contract on file.')),
    ('DisplayEmail', 'jane.doe@acme.example'),
    ('DisplayEmail_1', 'jane@doe-family.example'),
    ('DisplayURL', 'http://www.acme.example'),
    ('DisplayURL2', 'http://jane.doe-family.example/blog'),
    ('DisplyJobTitle', 'Vice President, Sales'),
    ('DocumentAccess', 'Editor'),
    ('HomeAddress', '42 Elm Street\nBrookline, MA 02445'),
    ('JobTitle', 'Vice President, Sales'),
    ('Location', 'Building 3, Room 301'),
    ('Logo', 'acme-logo.gif'),
    ('MailDomain', 'ACME'),
    ('MailSystem', '1'),
    ('Manager', 'CN=Richard Roe/O=Acme'),
    ('NameDisplayPref', '0'),
    ('OfficeCity', 'Cambridge'),
    ('OfficeCountry', 'United States'),
    ('OfficePhoneNumber_Read', '+1 617 555 0100'),
    ('OfficeState', 'MA'),
    ('OfficeStreetAddress', '1 Main Street'),
    ('OfficeZip', '02142'),
    ('PersPager', '+1 617 555 0199'),
    ('PhoneNumber', '+1 617 555 0123'),
    ('PhoneNumber_6', '+1 617 555 0124'),
    ('Work2Phone', '+1 617 555 0102'),
    ('Work3Phone', '+1 617 555 0103'),
    ('Home2Phone', '+1 617 555 0125'),
    ('Home3Phone', '+1 617 555 0126'),
    ('WorkFax2Phone', '+1 617 555 0182'),
    ('WorkFax3Phone', '+1 617 555 0183'),
    ('Spouse', 'John Doe'),
    ('State', 'MA'),
    ('StreetAddress', '42 Elm Street'),
    ('WebSite', 'http://jane.doe-family.example'),
    ('Zip', '02445'),
    ('_AddressFormat', '0'),
    ('_BusinessAddressFormat', '0'),
    ('dspCellPhone', '+1 617 555 0150'),
    ('dspFax', '+1 617 555 0180'),
    ('OfficeFAXPhoneNumber', '+1 617 555 0180'),
    ('HomeFAXPhoneNumber', '+1 617 555 0181'),
    ('InternetAddress', 'jane.doe@acme.example'),
    ('CompanyName', 'Acme Corporation'),
    ('MailAddress', 'jane.doe@acme.example'),
    ('Country', 'United States'),
    ('Birthday', DateTime('19750314')),
    ('Anniversary', DateTime('20010522T103636,81-04', dst=True)),
    ('Department', 'Sales'),
    ('MiscPhone1', 'jane.doe@gmail.example'),
    ('MiscPhone2', 'jdoe@fastmail.example'),
    ('MiscPhone3', '+1 617 555 0190'),
    ('OfficePhoneNumber', '+1 617 555 0100'),
    ('CellPhoneNumber', '+1 617 555 0150'),
    ('Subject', 'Jane Q Doe'),
    ('Type', 'Person'),
    ('ContactRating', Number(5)),
    ('Extensions', Number(100, 101, 102)),
    ('BestTimeToCall', DateTime('T093000,00')),
    ('Owner', Names('CN=Jane Doe/O=Acme')),
    ('DocAuthors', Names('CN=Jane Doe/O=Acme', '[Editor]', authors=True)),
    ('Body', RichText('Business card and notes from the 2004 fair.',
                      [Attachment('card.txt')],
                      'See the attached card.')),
]

# Each entry: (what it exercises, items, extra keyword arguments).
NOTABLE = [
    ('every preview item, a three-value FullName text list, three categories,'
     ' names items, rich text with an attachment', JANE,
     dict(updatedby=['CN=Jane Doe/O=Acme', 'CN=Richard Roe/O=Acme'],
          revisions=['20040611T141502,07-04', '20050102T090000,00-05'],
          files=[File('card.txt', b'Jane Q Doe\r\nVice President, Sales\r\n'
                      b'Acme Corporation\r\n+1 617 555 0100\r\n',
                      '20040611T141200,00-04', '20040611T141200,00-04')])),
    ('comma in FullName, ampersand in CompanyName', [
        ('FullName', 'Smith, John'),
        ('FirstName', 'John'),
        ('LastName', 'Smith'),
        ('CompanyName', 'Barnes & Noble Booksellers'),
        ('JobTitle', 'Store Manager'),
        ('MailAddress', 'john.smith@bn.example'),
        ('OfficePhoneNumber', '+1 212 555 0142'),
        ('OfficeCity', 'New York'),
        ('OfficeState', 'NY'),
        ('OfficeZip', '10003'),
        ('Categories', ['Business', 'Books']),
    ], {}),
    ('same LastName as John Smith, sorts before him by FirstName', [
        ('FullName', 'Anna Smith'),
        ('FirstName', 'Anna'),
        ('LastName', 'Smith'),
        ('MailAddress', 'anna.smith@example.com'),
        ('PhoneNumber', '+1 212 555 0177'),
        ('Categories', 'Friends'),
    ], {}),
    ('FirstName but no FullName', [
        ('FirstName', 'Margarethe'),
        ('LastName', 'Oberndorfer'),
        ('MailAddress', 'm.oberndorfer@example.at'),
        ('City', 'Salzburg'),
        ('Country', 'Österreich'),
    ], {}),
    ('only FullName and MailAddress', [
        ('FullName', 'Pat Quinlan'),
        ('MailAddress', 'pat.quinlan@example.net'),
    ], {}),
    ('State as the only address item', [
        ('FullName', 'Robin Fairbanks'),
        ('FirstName', 'Robin'),
        ('LastName', 'Fairbanks'),
        ('State', 'Vermont'),
    ], {}),
    ('OfficeCountry without Country', [
        ('FullName', 'Klaus Würzburger'),
        ('FirstName', 'Klaus'),
        ('LastName', 'Würzburger'),
        ('CompanyName', 'Würzburger Maschinenbau GmbH'),
        ('OfficeCity', 'München'),
        ('OfficeZip', '80331'),
        ('OfficeCountry', 'Deutschland'),
        ('OfficePhoneNumber', '+49 89 555 0123'),
        ('MailAddress', 'k.wuerzburger@wmb.example.de'),
    ], {}),
    ('OfficeCountry and Country', [
        ('FullName', 'Ingrid Bergström'),
        ('FirstName', 'Ingrid'),
        ('LastName', 'Bergström'),
        ('CompanyName', 'Nordlys Shipping AS'),
        ('OfficeCity', 'Bergen'),
        ('OfficeCountry', 'Norge'),
        ('City', 'Göteborg'),
        ('Country', 'Sverige'),
        ('MailAddress', 'ingrid.bergstrom@nordlys.example.no'),
        ('Categories', ['Business', 'Shipping']),
    ], {}),
    ('CompanyName of exactly four letters, FirstName longer than five', [
        ('FullName', 'Bartholomew Kent'),
        ('FirstName', 'Bartholomew'),
        ('LastName', 'Kent'),
        ('CompanyName', 'Acme'),
        ('JobTitle', 'Field Engineer'),
        ('MailAddress', 'bart.kent@acme.example'),
        ('OfficePhoneNumber', '+1 617 555 0133'),
    ], {}),
    ('JobTitle present but empty', [
        ('FullName', 'Lena Fischer'),
        ('FirstName', 'Lena'),
        ('LastName', 'Fischer'),
        ('JobTitle', ''),
        ('CompanyName', 'Fischer & Söhne KG'),
        ('MailAddress', 'lena@fischer-soehne.example.de'),
    ], {}),
    ('empty StreetAddress with Suffix and Title set', [
        ('FullName', 'Henry Walton Jones'),
        ('FirstName', 'Henry'),
        ('MiddleInitial', 'W'),
        ('LastName', 'Jones'),
        ('Title', 'Dr.'),
        ('Suffix', 'Jr.'),
        ('StreetAddress', ''),
        ('City', 'Princeton'),
        ('State', 'NJ'),
        ('CompanyName', 'Marshall College'),
        ('Department', 'Archaeology'),
        ('MailAddress', 'hjones@marshall.example.edu'),
        ('Categories', ['Business', 'Academia']),
    ], {}),
    ('Latin letters with accents', [
        ('FullName', 'José Álvarez Núñez'),
        ('FirstName', 'José'),
        ('LastName', 'Álvarez Núñez'),
        ('CompanyName', 'Café Olé S.L.'),
        ('OfficeCity', 'Málaga'),
        ('OfficeCountry', 'España'),
        ('MailAddress', 'jose.alvarez@cafeole.example.es'),
        ('Categories', ['Business', 'Suppliers']),
    ], {}),
    ('accents in several scripts of the Latin alphabet', [
        ('FullName', 'Łukasz Żółkiewski'),
        ('FirstName', 'Łukasz'),
        ('LastName', 'Żółkiewski'),
        ('City', 'Kraków'),
        ('Country', 'Polska'),
        ('MailAddress', 'lukasz.zolkiewski@example.pl'),
        ('Spouse', 'Zoë Çelik-Żółkiewska'),
        ('Categories', ['Friends', 'Family']),
    ], {}),
    ('Cyrillic names', [
        ('FullName', 'Дмитрий Иванович Петров'),
        ('FirstName', 'Дмитрий'),
        ('MiddleInitial', 'И'),
        ('LastName', 'Петров'),
        ('CompanyName', 'ООО «Северный ветер»'),
        ('City', 'Санкт-Петербург'),
        ('Country', 'Россия'),
        ('MailAddress', 'd.petrov@example.ru'),
        ('Categories', ['Business', 'Suppliers']),
    ], {}),
    ('Cyrillic names, second contact', [
        ('FullName', 'Ольга Смирнова'),
        ('FirstName', 'Ольга'),
        ('LastName', 'Смирнова'),
        ('MailAddress', 'olga.smirnova@example.ru'),
        ('Birthday', DateTime('19880423')),
    ], {}),
    ('Greek names', [
        ('FullName', 'Ελένη Παπαδοπούλου'),
        ('FirstName', 'Ελένη'),
        ('LastName', 'Παπαδοπούλου'),
        ('City', 'Αθήνα'),
        ('Country', 'Ελλάδα'),
        ('MailAddress', 'eleni.papadopoulou@example.gr'),
        ('Categories', 'Friends'),
    ], {}),
    ('Japanese names (CJK)', [
        ('FullName', '山田 太郎'),
        ('FirstName', '太郎'),
        ('LastName', '山田'),
        ('AltFullName', 'Taro Yamada'),
        ('AltFullNameSort', 'やまだ たろう'),
        ('CompanyName', '株式会社サンプル商事'),
        ('OfficeCity', '東京'),
        ('OfficeCountry', '日本'),
        ('MailAddress', 'yamada.taro@sample-shoji.example.jp'),
        ('Categories', ['Business', 'Asia']),
    ], {}),
    ('Chinese and Korean names (CJK)', [
        ('FullName', '王小明'),
        ('FirstName', '小明'),
        ('LastName', '王'),
        ('City', '上海'),
        ('Country', '中国'),
        ('MailAddress', 'wang.xiaoming@example.cn'),
        ('Spouse', '김민수'),
        ('Categories', 'Asia'),
    ], {}),
    ('double quotes in FullName and Nickname', [
        ('FullName', 'Robert "Bob" Hill'),
        ('FirstName', 'Robert'),
        ('LastName', 'Hill'),
        ('Nickname', '"Bobby"'),
        ('MailAddress', 'bob.hill@example.com'),
        ('Categories', ['Friends', 'Golf']),
    ], {}),
    ('single quote (apostrophe) in names', [
        ('FullName', "Siobhán O'Brien"),
        ('FirstName', 'Siobhán'),
        ('LastName', "O'Brien"),
        ('CompanyName', "O'Brien's Pub & Grill"),
        ('City', 'Dublin'),
        ('Country', 'Ireland'),
        ('MailAddress', "siobhan.o'brien@example.ie"),
        ('Categories', ['Friends']),
    ], {}),
    ('line breaks: LF in FullName, LF in StreetAddress, CR LF and a tab in'
     ' Comment', [
        ('FullName', 'Tomás Ruiz\n(Madrid office)'),
        ('FirstName', 'Tomás'),
        ('LastName', 'Ruiz'),
        ('StreetAddress', 'Calle Mayor 5\n3º izquierda'),
        ('City', 'Madrid'),
        ('Country', 'España'),
        ('Comment', 'Call after 16:00.\r\nSpeaks English and French.\tNo fax.'),
        ('MailAddress', 'tomas.ruiz@example.es'),
    ], {}),
    ('backslash and tab in FullName (an imported record)', [
        ('FullName', 'ACME\\wchen\tWei Chen'),
        ('FirstName', 'Wei'),
        ('LastName', 'Chen'),
        ('ShortName', 'ACME\\wchen'),
        ('MailAddress', 'wei.chen@acme.example'),
        ('CompanyName', 'Acme Corporation'),
    ], {}),
    ('HTML markup in values', [
        ('FullName', 'Nora Bell'),
        ('FirstName', 'Nora'),
        ('LastName', 'Bell'),
        ('JobTitle', '<b>Head</b> of Design'),
        ('Comment', '<b>bold</b> client; <i>prefers</i> <a href="http://'
                    'bell.example">her site</a> & e-mail'),
        ('MailAddress', 'nora@bell.example'),
        ('Categories', ['Business', 'VIP']),
    ], {}),
    ('a value over 1,023 characters (Comment)', [
        ('FullName', 'Victor Longfellow'),
        ('FirstName', 'Victor'),
        ('LastName', 'Longfellow'),
        ('CompanyName', 'Longfellow Logistics International'),
        ('Comment', long_comment()),
        ('MailAddress', 'victor@longfellow.example'),
        ('Categories', ['Business', 'VIP', 'Shipping']),
    ], {}),
    ('one Birthday, two Anniversary dates', [
        ('FullName', 'Paolo Rossi'),
        ('FirstName', 'Paolo'),
        ('LastName', 'Rossi'),
        ('Birthday', DateTime('19680704')),
        ('Anniversary', DateTime('19920912', '20170912')),
        ('MailAddress', 'paolo.rossi@example.it'),
        ('City', 'Torino'),
        ('Country', 'Italia'),
        ('Categories', ['Friends', 'Family']),
    ], {}),
    ('two Birthday dates with times', [
        ('FullName', 'Hannah Weiß'),
        ('FirstName', 'Hannah'),
        ('LastName', 'Weiß'),
        ('Birthday', DateTime('19900101T080000,00+01', '19900102T080000,00+01')),
        ('MailAddress', 'hannah.weiss@example.de'),
    ], {}),
    ('MailAddress as a text list, two attachments', [
        ('FullName', 'Omar Haddad'),
        ('FirstName', 'Omar'),
        ('LastName', 'Haddad'),
        ('MailAddress', ['omar@haddad.example', 'o.haddad@work.example']),
        ('CompanyName', 'Haddad Trading LLC'),
        ('OfficeCity', 'Dubai'),
        ('OfficeCountry', 'United Arab Emirates'),
        ('CellPhoneNumber', '+971 50 555 0101'),
        ('Categories', ['Business', 'Suppliers', 'Asia']),
        ('Body', RichText('Price list and map attached:',
                          [Attachment('prices 2011.csv'), ' ',
                           Attachment('map.gif')])),
    ], dict(files=[
        File('prices 2011.csv', b'item;price\r\ndates;12.50\r\nfigs;9.80\r\n',
             '20110301T101500,00+04', '20110301T101500,00+04'),
        File('map.gif', b'GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff'
             b'\x00\x00\x00!\xf9\x04\x01\x00\x00\x00\x00,\x00\x00\x00\x00'
             b'\x01\x00\x01\x00\x00\x02\x02D\x01\x00;',
             '20110301T101600,00+04', '20110301T101600,00+04')])),
    ('empty FullName and empty MailAddress items', [
        ('FullName', ''),
        ('FirstName', 'Unnamed'),
        ('LastName', 'Contact'),
        ('MailAddress', ''),
        ('Suffix', ''),
    ], {}),
    ('office phone numbers only, no e-mail', [
        ('FullName', 'Samuel Osei'),
        ('FirstName', 'Samuel'),
        ('LastName', 'Osei'),
        ('OfficePhoneNumber', '+233 30 555 0199'),
        ('OfficeFAXPhoneNumber', '+233 30 555 0198'),
        ('CellPhoneNumber', '+233 24 555 0197'),
        ('HomeFAXPhoneNumber', '+233 30 555 0196'),
        ('CompanyName', 'Accra Cocoa Exporters Ltd'),
    ], {}),
]


FIRST_NAMES = ['Alice', 'Brian', 'Chloé', 'David', 'Emma', 'Felix', 'Grace',
               'Hugo', 'Isabel', 'Jonas', 'Karin', 'Liam', 'Maya', 'Noah',
               'Olivia', 'Pieter', 'Rosa', 'Stefan', 'Tara', 'Umar']
LAST_NAMES = ['Andersen', 'Baker', 'Costa', 'de la Cruz', 'Delacroix',
              'Evans', 'Fontaine', 'García', 'Hoffmann', 'Ito', 'Jansen',
              'Kowalski', 'Larsen', 'McAllister', 'Nakamura', 'Okafor',
              'Peeters', 'Quint', 'Rahman', 'Schneider', 'Thompson',
              'van Dijk', 'Wagner']
COMPANIES = ['Acme Corporation', 'Globex Industries', 'Initech Systems',
             'Umbrella Pharma', 'Stark & Wayne Partners', 'Blue Harbor Bank',
             'Nordwind Energie AG', 'Pinecone Software']
CITIES = [('Boston', 'MA', '02110', 'United States'),
          ('Chicago', 'IL', '60601', 'United States'),
          ('Toronto', 'ON', 'M5H 2N2', 'Canada'),
          ('London', '', 'EC1A 1BB', 'United Kingdom'),
          ('Hamburg', '', '20095', 'Deutschland'),
          ('Lyon', '', '69002', 'France'),
          ('Amsterdam', '', '1012 AB', 'Nederland')]
JOBS = ['Account Manager', 'Software Engineer', 'Buyer', 'Controller',
        'Sales Representative', 'Office Manager', 'Consultant']
DEPARTMENTS = ['Sales', 'IT', 'Purchasing', 'Finance', 'Operations']
CATEGORY_SETS = [None, 'Business', ['Business', 'Suppliers'], 'Friends',
                 None, ['Friends', 'Golf'], 'Family']


def regular_contact(i):
    first = FIRST_NAMES[i % len(FIRST_NAMES)]
    last = LAST_NAMES[i * 7 % len(LAST_NAMES)]
    company = COMPANIES[i * 3 % len(COMPANIES)]
    city, state, zip_code, country = CITIES[i % len(CITIES)]
    mail = '%s.%s@%s.example' % (
        first.lower().replace('é', 'e'),
        last.lower().replace(' ', '').replace('í', 'i'),
        company.split()[0].lower())
    items = [('FullName', '%s %s' % (first, last)), ('FirstName', first),
             ('LastName', last), ('MailAddress', mail),
             ('CompanyName', company), ('JobTitle', JOBS[i % len(JOBS)]),
             ('Department', DEPARTMENTS[i % len(DEPARTMENTS)]),
             ('OfficePhoneNumber', '+1 555 01%02d %04d' % (i, 1000 + i * 37)),
             ('OfficeStreetAddress', '%d Commerce Way' % (10 + i * 3)),
             ('OfficeCity', city), ('OfficeZip', zip_code),
             ('OfficeCountry', country)]
    if state:
        items.append(('OfficeState', state))
    if i % 3 == 0:
        items.append(('CellPhoneNumber', '+1 555 02%02d %04d' % (i, 2000 + i)))
    if i % 4 == 1:
        items.append(('PhoneNumber', '+1 555 03%02d %04d' % (i, 3000 + i)))
        items.append(('StreetAddress', '%d Maple Avenue' % (i + 1)))
        items.append(('City', city))
        items.append(('Zip', zip_code))
    if i % 5 == 2:
        items.append(('Birthday', DateTime('19%02d%02d%02d' % (
            60 + i % 35, i % 12 + 1, i % 28 + 1))))
    if i % 6 == 4:
        items.append(('MiddleInitial', 'ABCDEFGHJKLMNPRST'[i % 17]))
    categories = CATEGORY_SETS[i % len(CATEGORY_SETS)]
    if categories is not None:
        items.append(('Categories', categories))
    items.append(('Type', 'Person'))
    return items


REGULAR_COUNT = 40

GROUPS = [
    [('ListName', 'Golf Buddies'), ('ListType', '0'),
     ('ListDescription', 'Saturday morning golf'),
     ('Members', Names('Jane Q Doe', 'Robert "Bob" Hill', 'Felix Evans')),
     ('ListOwner', Names('CN=Jane Doe/O=Acme')), ('Type', 'Group')],
    [('ListName', 'Suppliers'), ('ListType', '1'),
     ('ListDescription', 'Everyone we buy from'),
     ('Members', Names('Дмитрий Иванович Петров', 'José Álvarez Núñez',
                       'Omar Haddad')),
     ('Type', 'Group')],
]

LOCATIONS = [
    [('Name', 'Office (Network)'), ('LocationType', '0'),
     ('MailServer', 'CN=Mail01/O=Acme'), ('MailFile', 'mail\\jdoe.nsf'),
     ('Domain', 'ACME'), ('TimeZone', 'Z=5 DO=1 DL=3 -1 1 11 1 1'),
     ('ReplicationStart', DateTime('T080000,00')),
     ('ReplicationEnd', DateTime('T180000,00')), ('Type', 'Location')],
    [('Name', 'Home (Notes Direct Dialup)'), ('LocationType', '2'),
     ('MailFile', 'mail\\jdoe.nsf'), ('Type', 'Location')],
]

MEMO = [
    ('From', 'CN=Richard Roe/O=Acme'),
    ('SendTo', Names('CN=Jane Doe/O=Acme')),
    ('Subject', 'Updated contact list'),
    ('PostedDate', DateTime('20050114T163000,00-05')),
    ('Body', RichText('Jane,', 'the new supplier contacts are in the '
                      'address book now.', 'Richard')),
]


def build(out):
    ids = NoteIds()
    docs = []
    n = 0

    def add(form, key, items, **kw):
        nonlocal n
        n += 1
        info = noteinfo(ids.take(), key, 1 + n % 5, stamp(n), stamp(n + 40))
        docs.append(document_element(form, info, items, **kw))

    design = []
    for view in ADDRESS_BOOK_VIEWS:
        design.append(view_element(view, ids.take(), '20030105T090000,00-05',
                                   '20090610T120000,00-04'))

    for what, items, kw in NOTABLE:
        add('Person', 'person:' + what, items, **kw)
    for i in range(REGULAR_COUNT):
        if i == 5:
            add('Group', 'group:0', GROUPS[0])
        if i == 12:
            add('Location', 'location:0', LOCATIONS[0])
        if i == 20:
            add('Memo', 'memo:0', MEMO,
                updatedby=['CN=Richard Roe/O=Acme'])
        if i == 31:
            add('Group', 'group:1', GROUPS[1])
        add('Person', 'regular:%d' % i, regular_contact(i),
            **({'updatedby': ['CN=Jane Doe/O=Acme'],
                'revisions': [stamp(i + 200)]} if i % 8 == 0 else {}))
    add('Location', 'location:1', LOCATIONS[1])

    write_database(out, "Jane Doe's Address Book", 'names.nsf',
                   '852571E80054A1B2', '20090612T081500,00-04',
                   '20090610T120000,00-04', design, docs)


if __name__ == '__main__':
    generator_main(build, 'names.dxl')
