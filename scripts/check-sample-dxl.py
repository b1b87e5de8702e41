#!/usr/bin/python3
"""Check that a generated address-book DXL file is well-formed and holds
what the tests rely on: the views, enough Person documents, every contact
item at least once, and the awkward values.

    scripts/check-sample-dxl.py [FILE]    (default: samples/names.dxl)

Prints a short summary; exits 1 with the list of problems when any check
fails.
"""

import os
import sys
import xml.etree.ElementTree as ET

NS = '{http://www.lotus.com/dxl}'

PREVIEW_ITEMS = '''
AltFullName AltFullNameLanguage AltFullNameLanguageDisplay_1 AltFullNameSort
AreaCodeFromLoc Assistant Briefcase BusinessAddress Categories Certificate
Children City Comment DisplayEmail DisplayEmail_1 DisplayURL DisplayURL2
DisplyJobTitle DocumentAccess HomeAddress JobTitle Location Logo MailDomain
MailSystem Manager NameDisplayPref OfficeCity OfficeCountry
OfficePhoneNumber_Read OfficeState OfficeStreetAddress OfficeZip PersPager
PhoneNumber PhoneNumber_6 Nickname Work2Phone Work3Phone Home2Phone
Home3Phone WorkFax2Phone WorkFax3Phone AssistantPhone Assistant2Phone Spouse
State StreetAddress Suffix Title WebSite Zip _AddressFormat
_BusinessAddressFormat dspCellPhone dspFax FirstName LastName MiddleInitial
OfficeFAXPhoneNumber HomeFAXPhoneNumber FullName ShortName InternetAddress
CompanyName MailAddress Country Birthday Anniversary Department MiscPhone1
MiscPhone2 MiscPhone3 OfficePhoneNumber CellPhoneNumber
'''.split()

EXPORT_ITEMS = '''
FirstName ShortName LastName Title OfficePhoneNumber PhoneNumber PersPager
CompanyName JobTitle Location Department OfficeZip OfficeCountry
CellPhoneNumber OfficeFAXPhoneNumber MailAddress MiscPhone1 MiscPhone2
HomeFAXPhoneNumber Body MiddleInitial Assistant Spouse OfficeCity Anniversary
Birthday Manager Nickname WebSite Country Zip State City FullName
OfficeStreetAddress OfficeState Subject
'''.split()

REQUIRED_VIEWS = ['($People)', 'Contacts', 'By Category', 'contacts',
                  'Contacts ', 'By category']


def item_texts(item):
    return [t.text or '' for t in item.iter(NS + 'text')]


def check(path):
    problems = []
    views = []
    forms = {}
    person_items = set()
    texts = []
    value_kinds = set()
    date_counts = set()
    for _, elem in ET.iterparse(path, events=('end',)):
        tag = elem.tag[len(NS):] if elem.tag.startswith(NS) else elem.tag
        if tag in ('view', 'folder'):
            views.append((tag, elem.get('name')))
        elif tag == 'document':
            form = elem.get('form')
            forms[form] = forms.get(form, 0) + 1
            if form == 'Person':
                for item in elem.findall(NS + 'item'):
                    name = item.get('name')
                    person_items.add(name)
                    for child in item:
                        value_kinds.add(child.tag[len(NS):])
                    if name in ('Birthday', 'Anniversary'):
                        date_counts.add(len(list(item.iter(NS + 'datetime'))))
                    texts.extend(item_texts(item))
                    texts.extend(''.join(p.itertext())
                                 for p in item.iter(NS + 'par'))
            elem.clear()
    names = [n for _, n in views]
    for required in REQUIRED_VIEWS:
        if required not in names:
            problems.append('missing view %r' % required)
    if forms.get('Person', 0) < 60:
        problems.append('only %d Person documents' % forms.get('Person', 0))
    if len(forms) < 3:
        problems.append('no non-Person documents')
    for item in PREVIEW_ITEMS + EXPORT_ITEMS:
        if item not in person_items:
            problems.append('no Person document has item %s' % item)
    if date_counts != {1, 2}:
        problems.append('dates: want items with one and with two values')
    for kind in ('text', 'textlist', 'datetime', 'datetimelist', 'richtext',
                 'number', 'numberlist'):
        if kind not in value_kinds:
            problems.append('no %s value in a Person document' % kind)
    wanted = {
        'a value over 1,023 characters': lambda t: len(t) > 1023,
        'a comma': lambda t: ',' in t,
        'a double quote': lambda t: '"' in t,
        'a single quote': lambda t: "'" in t,
        'a line break': lambda t: '\n' in t,
        'a carriage return': lambda t: '\r' in t,
        'markup': lambda t: '<b>' in t,
        'an ampersand': lambda t: '&' in t,
        'an empty value': lambda t: t == '',
        'Latin with accents': lambda t: 'é' in t,
        'Cyrillic': lambda t: any('\u0400' <= c <= '\u04ff' for c in t),
        'Greek': lambda t: any('\u0370' <= c <= '\u03ff' for c in t),
        'CJK': lambda t: any('\u4e00' <= c <= '\u9fff' for c in t),
    }
    for what, test in wanted.items():
        if not any(test(t) for t in texts):
            problems.append('no Person value with %s' % what)
    return views, forms, problems


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    path = (sys.argv[1] if len(sys.argv) > 1
            else os.path.join(here, '..', 'samples', 'names.dxl'))
    views, forms, problems = check(path)
    for index, (tag, name) in enumerate(views):
        print('%2d  %-6s  %r' % (index, tag, name))
    print('documents: %s' % ', '.join('%s=%d' % kv
                                      for kv in sorted(forms.items())))
    if problems:
        print('\n'.join('PROBLEM: ' + p for p in problems))
        return 1
    print('ok')
    return 0


if __name__ == '__main__':
    sys.exit(main())
