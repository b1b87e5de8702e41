#!/usr/bin/python3
"""Write samples/groups.dxl: a DXL export of a small address book whose
groups exercise every way a member is named: Internet addresses, hierarchical
and common names, short names, nested groups, groups that contain themselves,
members nobody has, an empty group and a group of 5,000 members.

The contents are fixed, so running the script again gives the same bytes.
Usage:

    scripts/make-groups-dxl.py [OUT]      (default: samples/groups.dxl)
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from dxlwrite import (Column, Names, View, generator_main,  # noqa: E402
                      write_address_book)

BIG_GROUP_SIZE = 5000

VIEWS = [
    View('($People)', [Column('Last Name', 'LastName', 'ascending'),
                       Column('First Name', 'FirstName', 'ascending'),
                       Column('E-mail', 'MailAddress', width=20)],
         'SELECT Form = "Person"', alias='People'),
    View('($Groups)', [Column('Group Name', 'ListName', 'ascending', width=20),
                       Column('Description', 'ListDescription')],
         'SELECT Form = "Group"', alias='Groups'),
    View('Contacts', [Column('Name', 'FullName', width=24),
                      Column('Group', 'ListName', width=20),
                      Column('E-mail', 'MailAddress', width=20)],
         'SELECT Form = "Person" | Form = "Group"'),
]


def person(full_names, first, last, mail=None, internet=None, short=None):
    items = [('FullName', Names(*full_names)), ('FirstName', first),
             ('LastName', last)]
    if short:
        items.append(('ShortName', short))
    if mail:
        items.append(('MailAddress', mail))
    if internet:
        items.append(('InternetAddress', internet))
    items.append(('Type', 'Person'))
    return items


PEOPLE = [
    # Full name in every form Notes keeps: canonical, common, short.
    person(['CN=Effi Hoffmann/O=Offizin', 'Effi Hoffmann', 'ehoffmann'],
           'Effi', 'Hoffmann', mail='effi.hoffmann@offizin.example',
           short='ehoffmann'),
    # A Domino Directory person: the address only in InternetAddress.
    person(['CN=Jonas Weber/OU=Satz/O=Offizin'], 'Jonas', 'Weber',
           internet='jonas.weber@offizin.example'),
    # A flat name, as personal address books keep their own contacts.
    person(['Mia Schulz'], 'Mia', 'Schulz', mail='mia@schulz.example'),
    # Two people who share a common name in different organisations.
    person(['CN=Ana Costa/O=Offizin'], 'Ana', 'Costa',
           mail='ana.costa@offizin.example'),
    person(['CN=Ana Costa/O=Druckerei'], 'Ana', 'Costa',
           mail='ana.costa@druckerei.example'),
    # A person reachable only through Notes mail: no Internet address.
    person(['CN=Lukas Brandt/O=Offizin'], 'Lukas', 'Brandt',
           mail='Lukas Brandt/Offizin@Offizin'),
    person(['CN=Zoë Ämtler/O=Offizin'], 'Zoë', 'Ämtler',
           mail='zoe.aemtler@offizin.example'),
]


def group(name, members, description='', group_type='0'):
    items = [('ListName', name), ('GroupType', group_type)]
    if description:
        items.append(('ListDescription', description))
    if members:
        items.append(('Members', Names(*members)))
    items.append(('Type', 'Group'))
    return items


def big_group_members():
    """Addresses, with the people's names spread among them."""
    names = ['CN=Effi Hoffmann/O=Offizin', 'Mia Schulz',
             'Jonas Weber/Satz/Offizin', 'zoe.aemtler@offizin.example']
    members = []
    for i in range(BIG_GROUP_SIZE - len(names)):
        members.append('leser%04d@verteiler.example' % i)
        if i % 1000 == 500 and i // 1000 < len(names):
            members.append(names[i // 1000])
    return members


GROUPS = [
    group('Newsletter', ['effi.hoffmann@offizin.example',
                         'reader@elsewhere.example',
                         '"Weber, Jonas" <JONAS.WEBER@offizin.example>'],
          'Members as Internet addresses', '1'),
    group('Setzerei', ['CN=Effi Hoffmann/O=Offizin', 'Jonas Weber/Satz/Offizin',
                       'cn=Zoë Ämtler/o=Offizin'],
          'Members as hierarchical names'),
    group('Lektorat', ['Effi Hoffmann', 'Mia Schulz', 'ehoffmann', 'Ana Costa'],
          'Members as common and short names'),
    group('Alle', ['Setzerei', 'Lektorat', 'Mia Schulz'],
          'Groups within a group'),
    group('Ringelreihen', ['Ringelreihen', 'Mia Schulz'],
          'A group that contains itself'),
    group('Kreis A', ['Kreis B', 'Effi Hoffmann'], 'Two groups in a circle'),
    group('Kreis B', ['Kreis A', 'Mia Schulz'], 'Two groups in a circle'),
    group('Unbekannt', ['CN=Nobody Known/O=Nowhere', 'Lukas Brandt/Offizin',
                        'Effi Hoffmann'],
          'Members nobody has'),
    group('Leer', [], 'No members at all'),
    group('Grosser Verteiler', big_group_members(),
          '%d members' % BIG_GROUP_SIZE, '1'),
]


def build(out):
    write_address_book(
        out, ('Offizin Groups', 'groups.nsf', '852578A1003B77C0',
              '20110531T180000,00+01', '20110102T090000,00+01'),
        VIEWS, ('20110101T090000,00+01', '20110102T090000,00+01'), PEOPLE,
        GROUPS, 'groups',
        lambda n: '201105%02dT1%d3000,00+01' % (n % 28 + 1, n % 10))


if __name__ == '__main__':
    generator_main(build, 'groups.dxl')
