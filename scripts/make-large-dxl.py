#!/usr/bin/python3
"""Write a large address-book DXL file for benchmarks.

    scripts/make-large-dxl.py N OUT

N Person documents with varied values, a few Group, Location and Memo
documents, and the same views and folders as the bundled sample. The output
depends only on N: the same N gives the same bytes. The file is written as
it is generated, so memory use stays flat whatever N is.
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from dxlwrite import (ADDRESS_BOOK_VIEWS, DateTime, Names, NoteIds,  # noqa: E402
                      Number, RichText, database_end, database_start,
                      document_element, esc, noteinfo, view_element)

FIRST_NAMES = '''Alice Brian Chloé David Emma Felix Grace Hugo Isabel Jonas
Karin Liam Maya Noah Olivia Pieter Rosa Stefan Tara Umar Vera William Xavier
Yara Zoltán Agnès Björn Carmen Dário Elif Fatima Gustav Hanna Ivan Jürgen
Kenji Laura Mateo Nadia Oskar Priya Quentin Rahul Sofía Tomasz Ulla Vikram
Wen Yusuf Zofia Дмитрий Ольга Ελένη Νίκος 太郎 小明 민수 Siobhán Ngozi
Kwame'''.split()

LAST_NAMES = '''Andersen Baker Costa Delacroix Evans Fontaine García Hoffmann
Ito Jansen Kowalski Larsen McAllister Nakamura Okafor Peeters Quint Rahman
Schneider Thompson Wagner Yilmaz Zhang Müller Novák Rossi Dubois Silva
Johansson Nielsen Horváth Popescu Ivanova Петров Смирнова Παπαδόπουλος 山田
王 김 O'Brien Smith Brown Wilson Taylor Clarke Walker Wright Hughes Edwards
Green Hall Wood Harris Martin Jackson White Lewis Robinson Young Allen King
Scott Moore Bennett Cooper Reed Morgan Bell Murphy Bailey Kelly Howard Ward
Cox Richardson Brooks Gray James Watson Price Sanders Ross Foster Powell
Long Patterson Hughes Flores Washington Butler Simmons Bryant Alexander'''.split()

COMPANIES = [
    'Acme', 'Acme Corporation', 'Globex Industries', 'Initech Systems',
    'Umbrella Pharma', 'Stark & Wayne Partners', 'Blue Harbor Bank',
    'Nordwind Energie AG', 'Pinecone Software', 'Café Olé S.L.',
    'Würzburger Maschinenbau GmbH', 'Nordlys Shipping AS',
    'Longfellow Logistics International', "O'Brien's Pub & Grill",
    'ООО «Северный ветер»', '株式会社サンプル商事', 'Haddad Trading LLC',
    'Smith, Barney & Co.', 'Greenfield Farms', 'Redwood Analytics',
    'Silverline Media', 'Bright Path Education', 'Cobalt Mining Ltd',
    'Harbourview Hotels', 'Maple Leaf Insurance', 'Quantum Widgets',
    'Sunrise Bakery', 'Tandem Cycles', 'Vertex Consulting', 'Zenith Air',
]

CITIES = [
    ('Boston', 'MA', '02110', 'United States'),
    ('Chicago', 'IL', '60601', 'United States'),
    ('Seattle', 'WA', '98101', 'United States'),
    ('Austin', 'TX', '73301', 'United States'),
    ('Toronto', 'ON', 'M5H 2N2', 'Canada'),
    ('Montréal', 'QC', 'H2Y 1C6', 'Canada'),
    ('London', '', 'EC1A 1BB', 'United Kingdom'),
    ('Hamburg', '', '20095', 'Deutschland'),
    ('München', '', '80331', 'Deutschland'),
    ('Lyon', '', '69002', 'France'),
    ('Amsterdam', '', '1012 AB', 'Nederland'),
    ('Málaga', '', '29015', 'España'),
    ('Kraków', '', '31-008', 'Polska'),
    ('Athens', '', '105 57', 'Greece'),
    ('Tokyo', '', '100-0005', '日本'),
    ('Sydney', 'NSW', '2000', 'Australia'),
    ('Accra', '', '', 'Ghana'),
    ('São Paulo', 'SP', '01310-000', 'Brasil'),
]

JOBS = ['Account Manager', 'Software Engineer', 'Buyer', 'Controller',
        'Sales Representative', 'Office Manager', 'Consultant',
        'Vice President, Sales', 'Head of R&D', 'Chief Executive Officer',
        'Nurse', 'Teacher', 'Architect', '']
DEPARTMENTS = ['Sales', 'IT', 'Purchasing', 'Finance', 'Operations',
               'Marketing', 'Research & Development', 'Legal']
CATEGORY_SETS = [None, 'Business', ['Business', 'Suppliers'], 'Friends',
                 None, ['Friends', 'Golf'], 'Family', ['Business', 'VIP'],
                 None, ['Family', 'Friends', 'Holiday cards']]
STREETS = ['Main Street', 'Maple Avenue', 'Commerce Way', 'Harbour Road',
           'Hauptstraße', 'Rue de la Paix', 'Calle Mayor', 'Kungsgatan']


class Sequence:
    """A small deterministic generator (64-bit xorshift), independent of the
    Python version."""

    def __init__(self, seed):
        self.state = seed or 1

    def next(self, bound):
        x = self.state
        x ^= (x << 13) & 0xFFFFFFFFFFFFFFFF
        x ^= x >> 7
        x ^= (x << 17) & 0xFFFFFFFFFFFFFFFF
        self.state = x
        return x % bound

    def pick(self, values):
        return values[self.next(len(values))]


def mail_local(text):
    return ''.join(c for c in text.lower() if c.isascii() and c.isalnum())


def phone(seq, prefix):
    return '%s %03d %04d' % (prefix, seq.next(900) + 100, seq.next(10000))


def person_items(i, seq):
    first = seq.pick(FIRST_NAMES)
    last = seq.pick(LAST_NAMES)
    company = seq.pick(COMPANIES)
    city, state, zip_code, country = seq.pick(CITIES)
    local = '%s.%s' % (mail_local(first) or 'contact',
                       mail_local(last) or str(i))
    domain = mail_local(company.split()[0]) or 'example'
    items = [('FullName', '%s %s' % (first, last)), ('FirstName', first),
             ('LastName', last),
             ('MailAddress', '%s%d@%s.example' % (local, i, domain))]
    roll = seq.next(100)
    if roll < 85:
        items += [('CompanyName', company), ('JobTitle', seq.pick(JOBS)),
                  ('Department', seq.pick(DEPARTMENTS)),
                  ('OfficePhoneNumber', phone(seq, '+1 555')),
                  ('OfficeStreetAddress', '%d %s' % (seq.next(400) + 1,
                                                     seq.pick(STREETS))),
                  ('OfficeCity', city), ('OfficeZip', zip_code),
                  ('OfficeCountry', country)]
        if state:
            items.append(('OfficeState', state))
        if roll % 10 == 8:
            items += [('OfficeFAXPhoneNumber', phone(seq, '+1 558')),
                      ('Location', 'Building %d' % (seq.next(9) + 1)),
                      ('Assistant', '%s %s' % (seq.pick(FIRST_NAMES),
                                               seq.pick(LAST_NAMES))),
                      ('Manager', 'CN=%s %s/O=%s' % (
                          seq.pick(FIRST_NAMES), seq.pick(LAST_NAMES),
                          domain.capitalize()))]
    if roll % 3 == 0:
        items.append(('CellPhoneNumber', phone(seq, '+1 556')))
    if roll % 4 == 1:
        items += [('PhoneNumber', phone(seq, '+1 557')),
                  ('StreetAddress', '%d %s' % (seq.next(90) + 1,
                                               seq.pick(STREETS))),
                  ('City', city), ('Zip', zip_code), ('Country', country)]
        if state:
            items.append(('State', state))
    if roll % 5 == 2:
        items.append(('Birthday', DateTime('19%02d%02d%02d' % (
            50 + seq.next(50), seq.next(12) + 1, seq.next(28) + 1))))
    if roll % 11 == 3:
        items.append(('Anniversary', DateTime('20%02d%02d%02d' % (
            seq.next(20), seq.next(12) + 1, seq.next(28) + 1))))
    if roll % 19 == 9:
        items.append(('Anniversary', DateTime('19%02d0601' % (70 + roll % 20),
                                              '20%02d0601' % (roll % 20))))
    if roll % 13 == 7:
        items += [('WebSite', 'http://www.%s.example/~%s' % (domain, local)),
                  ('Spouse', '%s %s' % (seq.pick(FIRST_NAMES), last))]
    if roll % 7 == 6:
        items.append(('Body', RichText(
            'Notes on %s:' % first,
            'Prefers e-mail; copy %s on quotes.' % seq.pick(FIRST_NAMES))))
    if roll % 23 == 0:
        items.append(('ContactRating', Number(seq.next(5) + 1)))
    if roll % 6 == 4:
        items.append(('MiddleInitial', 'ABCDEFGHJKLMNPRST'[seq.next(17)]))
    if roll % 9 == 5:
        items.append(('Nickname', first[:3]))
    if roll % 17 == 0:
        items.append(('Comment', 'Met at the %d trade fair; follow up on '
                      'the "%s" proposal.' % (2000 + seq.next(20), company)))
    categories = CATEGORY_SETS[seq.next(len(CATEGORY_SETS))]
    if categories is not None:
        items.append(('Categories', categories))
    items.append(('Type', 'Person'))
    return items


def stamp(n):
    return '%04d%02d%02dT%02d%02d%02d,%02d-05' % (
        2000 + n % 20, n % 12 + 1, n % 28 + 1, n % 24, n % 60, n * 7 % 60,
        n % 100)


def extra_document(k):
    kind = k % 3
    if kind == 0:
        return 'Group', [('ListName', 'Team %d' % k), ('ListType', '0'),
                         ('Members', Names('Team member %d' % k,
                                           'Team member %d' % (k + 1))),
                         ('Type', 'Group')]
    if kind == 1:
        return 'Location', [('Name', 'Location %d' % k),
                            ('LocationType', '0'), ('Type', 'Location')]
    return 'Memo', [('From', 'CN=Richard Roe/O=Acme'),
                    ('Subject', 'Note %d' % k),
                    ('Body', RichText('Memo number %d.' % k))]


def write(count, out):
    ids = NoteIds()
    extras_every = 5000
    extras = count // extras_every + 3
    with open(out, 'w', encoding='utf-8', newline='\n',
              buffering=1 << 20) as f:
        f.write(database_start('Large Address Book', 'large.nsf',
                               '852571E80054FFFF', count + extras,
                               stamp(count), stamp(1)))
        for view in ADDRESS_BOOK_VIEWS:
            f.write(view_element(view, ids.take(), stamp(0), stamp(1)))
        seq = Sequence(0x9E3779B97F4A7C15)
        extra = 0
        chunk = []
        for i in range(count):
            if i % extras_every == 0:
                form, items = extra_document(extra)
                chunk.append(document_element(
                    form, noteinfo(ids.take(), 'extra:%d' % extra, 1,
                                   stamp(extra), stamp(extra + 1)), items))
                extra += 1
            chunk.append(document_element(
                'Person', noteinfo(ids.take(), 'person:%d' % i, 1 + i % 4,
                                   stamp(i), stamp(i + 3)),
                person_items(i, seq)))
            if len(chunk) >= 512:
                f.write(''.join(chunk))
                chunk.clear()
        while extra < extras:
            form, items = extra_document(extra)
            chunk.append(document_element(
                form, noteinfo(ids.take(), 'extra:%d' % extra, 1,
                               stamp(extra), stamp(extra + 1)), items))
            extra += 1
        f.write(''.join(chunk))
        f.write(database_end())


def main():
    if len(sys.argv) != 3 or not sys.argv[1].isdigit():
        sys.stderr.write('usage: make-large-dxl.py N OUT\n')
        return 2
    write(int(sys.argv[1]), sys.argv[2])
    return 0


if __name__ == '__main__':
    sys.exit(main())
