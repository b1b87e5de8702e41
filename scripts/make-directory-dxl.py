#!/usr/bin/python3
"""Write samples/directory.dxl: a DXL export shaped like a Domino Directory.
Its people carry hierarchical names first in FullName and Notes routing
addresses in MailAddress; one has only an InternetAddress; items come twice
and with blanks around their values; a birthday falls on 1601-01-01; a value
is longer than 1,023 UTF-16 units with a combining accent at the cut; a group
names its members by canonical names, one of them known only by its common
name, one ambiguous.

The contents are fixed, so running the script again gives the same bytes.
Usage:

    scripts/make-directory-dxl.py [OUT]      (default: samples/directory.dxl)
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from dxlwrite import (Column, DateTime, Names, View,  # noqa: E402
                      generator_main, write_address_book)

VIEWS = [
    View('($People)', [Column('Last Name', 'LastName', 'ascending'),
                       Column('First Name', 'FirstName', 'ascending'),
                       Column('E-mail', 'InternetAddress', width=20)],
         'SELECT Form = "Person"', alias='People'),
    View('($Groups)', [Column('Group Name', 'ListName', 'ascending', width=20)],
         'SELECT Form = "Group"', alias='Groups'),
    View('Contacts', [Column('Name', 'FullName', width=24),
                      Column('Group', 'ListName', width=20)],
         'SELECT Form = "Person" | Form = "Group"'),
]

# 1,022 units, then a letter whose accent is a combining mark: the cut keeps
# neither.
LONG_OFFICE = 'Room ' + 'x' * 1017 + 'e\u0301 and more'

PEOPLE = [
    # Only a canonical name: no first or last name, a routing address, the
    # Internet address apart, a short name, the first day of 1601.
    [('FullName', Names('CN=Hana Canon/OU=Ops/O=Orbis', 'Hana Canon')),
     ('ShortName', 'hcanon'),
     ('MailAddress', 'Hana Canon/Ops/Orbis@Orbis'),
     ('InternetAddress', 'hana.canon@orbis.example'),
     ('CompanyName', 'Orbis'),
     ('OfficePhoneNumber', '+1 555 0100'),
     ('Birthday', DateTime('16010101')),
     ('Type', 'Person')],
    # An abbreviated name; mail only through Notes.
    [('FullName', Names('Ilse Bauer/Ops/Orbis')), ('FirstName', 'Ilse'),
     ('LastName', 'Bauer'), ('MailAddress', 'Ilse Bauer/Ops/Orbis@Orbis'),
     ('Location', LONG_OFFICE), ('Type', 'Person')],
    # Blanks around values, a blank first phone.
    [('FullName', 'Eli Blank'), ('FirstName', ' Eli '),
     ('LastName', '\tBlank  '), ('MailAddress', ' eli@blank.example '),
     ('PhoneNumber', ['  ', '+1 555 0320']), ('Type', 'Person')],
    # Items present twice.
    [('FullName', Names('CN=Rita Repeat/O=Orbis')), ('FirstName', 'Rita'),
     ('LastName', 'Repeat'), ('CompanyName', 'Orbis'),
     ('OfficePhoneNumber', '+1 555 0400'), ('CompanyName', 'Orbis Labs'),
     ('OfficePhoneNumber', '+1 555 0401'),
     ('InternetAddress', 'rita@orbis.example'), ('Type', 'Person')],
    # Only an Internet address.
    [('FullName', 'Otto Only'), ('FirstName', 'Otto'), ('LastName', 'Only'),
     ('InternetAddress', 'otto@only.example'), ('Type', 'Person')],
    # Known by the common name alone; a group names her canonically.
    [('FullName', 'Mara Common'), ('FirstName', 'Mara'),
     ('LastName', 'Common'), ('InternetAddress', 'mara@orbis.example'),
     ('Type', 'Person')],
    # Two people of one common name.
    [('FullName', Names('CN=Sam Twin/O=Orbis')), ('FirstName', 'Sam'),
     ('LastName', 'Twin'), ('InternetAddress', 'sam@orbis.example'),
     ('Type', 'Person')],
    [('FullName', Names('CN=Sam Twin/O=Other')), ('FirstName', 'Sam'),
     ('LastName', 'Twin'), ('InternetAddress', 'sam@other.example'),
     ('Type', 'Person')],
]

GROUPS = [
    [('ListName', 'Ops Team'), ('GroupType', '0'),
     ('ListDescription', 'Members by canonical name'),
     ('Members', Names('CN=Hana Canon/OU=Ops/O=Orbis', 'CN=Mara Common/O=Orbis',
                       'CN=Sam Twin/O=Elsewhere', 'otto@only.example')),
     ('Type', 'Group')],
]


def build(out):
    write_address_book(
        out, ('Orbis Directory', 'names.nsf', '852583C2004F1A10',
              '20190331T180000,00+01', '20190102T090000,00+01'),
        VIEWS, ('20190101T090000,00+01', '20190102T090000,00+01'), PEOPLE,
        GROUPS, 'directory',
        lambda n: '201903%02dT1%d1500,00+01' % (n % 28 + 1, n % 10))


if __name__ == '__main__':
    generator_main(build, 'directory.dxl')
