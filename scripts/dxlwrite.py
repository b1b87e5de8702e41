"""Small helpers that write Domino DXL text: a database header, views and
folders, and documents with their items.

Both sample generators import this module (it sits next to them), so the
generated files share one layout and one set of views.
"""

import base64
import hashlib
import os
import sys

DXL_NAMESPACE = 'http://www.lotus.com/dxl'


# --- escaping ---------------------------------------------------------------

def esc(text):
    """Escape text content. A CR is written as a character reference so that
    it survives XML's line-end normalisation."""
    return (text.replace('&', '&amp;').replace('<', '&lt;')
            .replace('>', '&gt;').replace('\r', '&#13;'))


def attr(text):
    """Escape a value for an attribute written in single quotes."""
    return (esc(text).replace("'", '&apos;').replace('\n', '&#10;')
            .replace('\t', '&#9;'))


# --- value kinds --------------------------------------------------------------
# A document's items are given as (name, value) pairs. A plain str is a text
# item, a list of str a text list; the classes below cover the other kinds.

class Number:
    def __init__(self, *values):
        self.values = values


class DateTime:
    """One or more DXL date texts: '20010522T103636,81-04', '19750314'
    (date only) or 'T140000,00' (time only). dst marks daylight-saving time."""

    def __init__(self, *values, dst=False):
        self.values = values
        self.dst = dst


class Names:
    """A names item: one or more hierarchical or flat names."""

    def __init__(self, *values, authors=False, readers=False):
        self.values = values
        self.authors = authors
        self.readers = readers


class RichText:
    """Paragraphs of a rich-text item. A paragraph is a str, or a list of
    str and Bold/Attachment/Picture/Tab/Link pieces."""

    def __init__(self, *paragraphs):
        self.paragraphs = paragraphs


class Bold:
    def __init__(self, text):
        self.text = text


class Attachment:
    """A reference, inside rich text, to a file stored in a $FILE item."""

    def __init__(self, name):
        self.name = name


class Picture:
    """An image inside rich text, with its data (GIF bytes)."""

    def __init__(self, data, width=16, height=16):
        self.data = data
        self.width = width
        self.height = height


class Tab:
    """A tab inside rich text."""


class Link:
    """A URL link inside rich text: its text and its address."""

    def __init__(self, text, href):
        self.text = text
        self.href = href


class File:
    """A file attached to a document (one $FILE item)."""

    def __init__(self, name, data, created, modified):
        self.name = name
        self.data = data
        self.created = created
        self.modified = modified


# --- identifiers ----------------------------------------------------------------

def unid(key):
    """A stable 32-digit universal id derived from a key text."""
    return hashlib.md5(key.encode('utf-8')).hexdigest().upper()


class NoteIds:
    """Hands out note ids the way a database does: rising by four."""

    def __init__(self, first=0x8F6):
        self.next_id = first

    def take(self):
        value = self.next_id
        self.next_id += 4
        return '%x' % value


def datetime_element(value, dst=False):
    return ("<datetime dst='true'>%s</datetime>" % value if dst
            else '<datetime>%s</datetime>' % value)


def noteinfo(noteid, key, sequence, created, modified, dst=False):
    return ("<noteinfo noteid='%s' unid='%s' sequence='%d'>"
            '<created>%s</created><modified>%s</modified>'
            '<revised>%s</revised><lastaccessed>%s</lastaccessed>'
            '<addedtofile>%s</addedtofile></noteinfo>\n'
            % (noteid, unid(key), sequence,
               datetime_element(created, dst), datetime_element(modified, dst),
               datetime_element(modified, dst), datetime_element(modified, dst),
               datetime_element(created, dst)))


# --- database header ------------------------------------------------------------

def database_start(title, path, replica_id, document_count, data_modified,
                   design_modified):
    return ("<?xml version='1.0' encoding='utf-8'?>\n"
            "<!DOCTYPE database SYSTEM 'xmlschemas/domino_8_5_3.dtd'>\n"
            "<database xmlns='%s' version='8.5' maintenanceversion='3.0'"
            " replicaid='%s' path='%s' title='%s'"
            " fromtemplate='StdR85PersonalAddressBook'"
            " allowstoredforms='false' uselz1='true'>\n"
            "<databaseinfo dbid='%s' odsversion='51' diskspace='%d'"
            " percentused='93.4' numberofdocuments='%d'>"
            '<datamodified>%s</datamodified>'
            '<designmodified>%s</designmodified></databaseinfo>\n'
            "<acl maxinternetaccess='editor'>"
            "<aclentry name='-Default-' default='true' level='noaccess'/>"
            "<aclentry name='OtherDomainServers' level='noaccess'/>"
            "<aclentry name='LocalDomainServers' type='servergroup'"
            " level='manager' deletedocs='true'/>"
            '</acl>\n'
            % (DXL_NAMESPACE, replica_id, attr(path), attr(title), replica_id,
               4096 * (document_count + 64), document_count,
               datetime_element(data_modified, True),
               datetime_element(design_modified, True)))


def database_end():
    return '</database>\n'


def write_database(out, title, path, replica_id, data_modified,
                   design_modified, design, docs):
    """Write a whole database file: header, design elements, documents."""
    with open(out, 'w', encoding='utf-8', newline='\n') as f:
        f.write(database_start(title, path, replica_id, len(docs),
                               data_modified, design_modified))
        f.writelines(design)
        f.writelines(docs)
        f.write(database_end())


def write_address_book(out, header, views, view_times, people, groups,
                       key, stamp):
    """Write a database of Person and Group documents: header holds
    write_database's title, path, replica id, data and design times;
    view_times the created and modified time of every view; key names each
    document ('<key>-person:3'); stamp(n) gives the n-th document's time."""
    ids = NoteIds()
    docs = []

    def add(form, kind, items):
        n = len(docs) + 1
        docs.append(document_element(form, noteinfo(ids.take(), kind, 1,
                                                     stamp(n), stamp(n)),
                                     items))

    design = [view_element(v, ids.take(), *view_times) for v in views]
    for i, items in enumerate(people):
        add('Person', '%s-person:%d' % (key, i), items)
    for i, items in enumerate(groups):
        add('Group', '%s-group:%d' % (key, i), items)
    title, path, replica_id, data_modified, design_modified = header
    write_database(out, title, path, replica_id, data_modified,
                   design_modified, design, docs)


def generator_main(build, default_name):
    """The command line of a sample generator: build(OUT), where OUT is the
    first argument or samples/<default_name>."""
    here = os.path.dirname(os.path.abspath(__file__))
    out = (sys.argv[1] if len(sys.argv) > 1
           else os.path.join(here, '..', 'samples', default_name))
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    build(out)


# --- views and folders ----------------------------------------------------------

class Column:
    def __init__(self, title, itemname, sort=None, categorized=False,
                 width=10):
        self.title = title
        self.itemname = itemname
        self.sort = sort
        self.categorized = categorized
        self.width = width


class View:
    """A view (with a selection formula) or a folder (without one)."""

    def __init__(self, name, columns, formula=None, folder=False, alias=None):
        self.name = name
        self.columns = columns
        self.formula = formula
        self.folder = folder
        self.alias = alias


def view_element(view, noteid, created, modified):
    tag = 'folder' if view.folder else 'view'
    out = ["<%s name='%s'" % (tag, attr(view.name))]
    if view.alias is not None:
        out.append(" alias='%s'" % attr(view.alias))
    out.append(" showinmenu='true' publicaccess='false'"
               " unreadmarks='none' onopengoto='lastopened'"
               " onrefresh='displayindicator' headers='beveled'"
               " opencollapsed='false' showresponsehierarchy='false'"
               " showmargin='true' shrinkrows='false' extendlastcolumn='false'"
               " showhierarchies='false' unreadcolor='black'"
               " rowlinecount='1' headerlinecount='1' rowspacing='1'"
               " bgcolor='white' totalscolor='black' headerbgcolor='white'"
               " boldunreadrows='false' evaluateactions='false'"
               " allownewdocuments='false' allowcustomizations='true'"
               " hidemarginborder='false' marginwidth='0px'"
               " marginbgcolor='white' uniquekeys='false'>\n")
    out.append(noteinfo(noteid, 'design:' + view.name, 1, created, modified,
                        True))
    if view.formula is not None:
        out.append("<code event='selection'><formula>%s</formula></code>\n"
                   % esc(view.formula))
    for column in view.columns:
        out.append("<column")
        if column.sort:
            out.append(" sort='%s'" % column.sort)
        if column.categorized:
            out.append(" categorized='true' twisties='true'")
        out.append(" resizable='true' separatemultiplevalues='%s'"
                   " sortnoaccent='false' sortnocase='true'"
                   " showaslinks='false' itemname='%s' width='%d'>"
                   % ('true' if column.categorized else 'false',
                      attr(column.itemname), column.width))
        out.append("<font size='9pt'/><columnheader title='%s'>"
                   "<font size='9pt' style='bold'/></columnheader>"
                   % attr(column.title))
        out.append('</column>\n')
    out.append('</%s>\n' % tag)
    return ''.join(out)


# The views and folders of a personal address book, in file order. Besides
# the three contact views it holds look-alikes that differ only in case or
# by a trailing blank, views over other forms, and folders.
ADDRESS_BOOK_VIEWS = [
    View('($Groups)', [Column('Group Name', 'ListName', 'ascending', width=20),
                       Column('Description', 'ListDescription')],
         'SELECT Form = "Group"', alias='Groups'),
    View('($People)', [Column('Last Name', 'LastName', 'ascending'),
                       Column('First Name', 'FirstName', 'ascending'),
                       Column('E-mail', 'MailAddress', width=20)],
         'SELECT Form = "Person"', alias='People'),
    View('Companies', [Column('Company', 'CompanyName', 'ascending', True),
                       Column('Name', 'FullName', 'ascending', width=20),
                       Column('Phone', 'OfficePhoneNumber')],
         'SELECT Form = "Person" & @IsAvailable(CompanyName)'),
    View('Contacts', [Column('Name', 'FullName', 'ascending', width=24),
                      Column('Business Phone', 'OfficePhoneNumber'),
                      Column('Home Phone', 'PhoneNumber'),
                      Column('Company', 'CompanyName', width=16),
                      Column('E-mail', 'MailAddress', width=20)],
         'SELECT Form = "Person"'),
    View('contacts', [Column('Name', 'FullName', 'ascending', width=24)],
         'SELECT Form = "Person"'),
    View('By Category', [Column('Category', 'Categories', 'ascending', True),
                         Column('Name', 'FullName', 'ascending', width=24),
                         Column('Company', 'CompanyName', width=16)],
         'SELECT Form = "Person" & @IsAvailable(Categories)'),
    View('Contacts ', [Column('Name', 'FullName', 'ascending', width=24)],
         'SELECT @All'),
    View('By category', [Column('Category', 'Categories', 'ascending', True),
                         Column('Name', 'FullName', width=24)],
         'SELECT Form = "Person"'),
    View('($Users)', [Column('Short Name', 'ShortName', 'ascending'),
                      Column('Name', 'FullName')],
         'SELECT (Form = "Person" | Form = "Group") & @IsAvailable(ShortName)'),
    View('($Locations)', [Column('Location', 'Name', 'ascending', width=20)],
         'SELECT Form = "Location"'),
    View('Friends', [Column('Name', 'FullName', width=24),
                     Column('E-mail', 'MailAddress', width=20)],
         folder=True),
    View('Without Company', [Column('Name', 'FullName', 'ascending',
                                    width=24)],
         'SELECT Form = "Person" & !@IsAvailable(CompanyName)'),
    View('(Other Documents)', [Column('Form', 'Form', 'ascending'),
                               Column('Subject', 'Subject', width=30)],
         'SELECT !(Form = "Person" | Form = "Group") & Form != "Location"'),
    View('People', [Column('Name', 'FullName', 'ascending', width=24)],
         'SELECT Form = "Person" & Categories = "Friends"'),
    View('($Trash)', [Column('Name', 'FullName', width=24)], folder=True),
]


# --- documents ------------------------------------------------------------------

def _values(tag, values):
    return ''.join('<%s>%s</%s>' % (tag, esc(v), tag) if v != ''
                   else '<%s/>' % tag for v in values)


def _text_values(values):
    if len(values) == 1:
        return _values('text', values)
    return '<textlist>%s</textlist>' % _values('text', values)


def _rich_piece(piece):
    if isinstance(piece, str):
        return esc(piece)
    if isinstance(piece, Bold):
        return "<run><font style='bold'/>%s</run>" % esc(piece.text)
    if isinstance(piece, Attachment):
        return ("<attachmentref name='%s' displayname='%s'>"
                "<picture height='34px' width='61px'/></attachmentref>"
                % (attr(piece.name), attr(piece.name)))
    if isinstance(piece, Picture):
        return ("<picture width='%dpx' height='%dpx'><gif>%s</gif></picture>"
                % (piece.width, piece.height,
                   base64.b64encode(piece.data).decode('ascii')))
    if isinstance(piece, Tab) or piece is Tab:
        return '<tab/>'
    if isinstance(piece, Link):
        return ("<urllink showborder='false' href='%s'><run>%s</run></urllink>"
                % (attr(piece.href), esc(piece.text)))
    raise TypeError(piece)


def _rich(value):
    out = ["<richtext>\n<pardef id='1'/>\n"]
    for paragraph in value.paragraphs:
        pieces = [paragraph] if isinstance(paragraph, str) else paragraph
        if pieces == ['']:
            out.append("<par def='1'/>\n")
        else:
            out.append("<par def='1'>%s</par>\n"
                       % ''.join(_rich_piece(p) for p in pieces))
    out.append('</richtext>')
    return ''.join(out)


def item_element(name, value):
    if isinstance(value, RichText):
        return "<item name='%s'>%s</item>\n" % (attr(name), _rich(value))
    head = "<item name='%s' summary='true'" % attr(name)
    if isinstance(value, str):
        body = _text_values([value])
    elif isinstance(value, list):
        body = _text_values(value)
    elif isinstance(value, Names):
        if value.authors:
            head += " authors='true'"
        if value.readers:
            head += " readers='true'"
        head += " names='true'"
        body = _text_values(list(value.values))
    elif isinstance(value, Number):
        body = _values('number', [str(v) for v in value.values])
        if len(value.values) > 1:
            body = '<numberlist>%s</numberlist>' % body
    elif isinstance(value, DateTime):
        body = ''.join(datetime_element(v, value.dst) for v in value.values)
        if len(value.values) > 1:
            body = '<datetimelist>%s</datetimelist>' % body
    else:
        raise TypeError('%s: %r' % (name, value))
    return '%s>%s</item>\n' % (head, body)


def file_item(attached):
    data = base64.b64encode(attached.data).decode('ascii')
    return ("<item name='$FILE' summary='true' sign='true' seal='true'>"
            "<object><file hosttype='msdos' compression='none'"
            " flags='storedindoc' name='%s'>"
            '<created>%s</created><modified>%s</modified>'
            '<filedata>%s</filedata></file></object></item>\n'
            % (attr(attached.name), datetime_element(attached.created),
               datetime_element(attached.modified), data))


def document_element(form, info, items, updatedby=(), revisions=(),
                     files=()):
    """info is the noteinfo text; items are (name, value) pairs."""
    out = ["<document form='%s'>\n" % attr(form), info]
    if updatedby:
        out.append('<updatedby>%s</updatedby>\n'
                   % ''.join('<name>%s</name>' % esc(n) for n in updatedby))
    if revisions:
        out.append('<revisions>%s</revisions>\n'
                   % ''.join(datetime_element(r) for r in revisions))
    for name, value in items:
        out.append(item_element(name, value))
    for attached in files:
        out.append(file_item(attached))
    out.append('</document>\n')
    return ''.join(out)
