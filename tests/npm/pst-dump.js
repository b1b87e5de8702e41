#!/usr/bin/env node
// Prints what pst-extractor reads from a PST file, one record a line:
//   store <TAB> display name
//   folder <TAB> path <TAB> content count
//   item <TAB> folder path
//   prop <TAB> key <TAB> value        (properties of the item above)
//   values <TAB> key <TAB> value <TAB> value ...   (multi-valued texts)
//   attachment <TAB> long file name <TAB> MIME type <TAB> contact photo (1 or 0) <TAB> bytes in hex
// key: the property id in hex ("3001"), "lid:8083" for a numeric named
// property, "name:Keywords" for a property named by a string; a named
// property the reader cannot map reads "id:80xx".
// Values: text as read, integers and booleans in decimal, times as FILETIME
// ticks, binaries and multi-valued integers in hex (a multi-valued binary as
// stored: the count, the offsets, then the values); a multi-valued text is
// split at the offsets its value starts with. Tabs, line breaks and
// backslashes are escaped.
'use strict';
const { PSTFile } = require('pst-extractor');

const escape = (s) => String(s).replace(/\\/g, '\\\\').replace(/\t/g, '\\t').replace(/\n/g, '\\n').replace(/\r/g, '\\r');
const nodeMap = PSTFile.nodeMap;

function keyOf(id) {
    if (id < 0x8000) return id.toString(16).padStart(4, '0');
    const name = nodeMap.getNumericName(id);
    if (name) return 'lid:' + (name.low >>> 0).toString(16).padStart(4, '0');
    const text = nodeMap.idToStringName.get(id);
    return text !== undefined ? 'name:' + text : 'id:' + id.toString(16);
}

function bytesOf(obj, item) {
    if (!item.isExternalValueReference) return item.data;
    const desc = obj.localDescriptorItems && obj.localDescriptorItems.get(item.entryValueReference);
    return desc ? desc.getData() : Buffer.alloc(0);
}

function valueOf(obj, id, item) {
    switch (item.entryValueType) {
    case 0x001f: return obj.getStringItem(id);
    case 0x0003: return item.entryValueReference | 0;
    case 0x000b: return item.entryValueReference & 0xff ? 1 : 0;
    case 0x0040:
    case 0x0014: return Buffer.from(item.data).readBigInt64LE(0).toString();
    case 0x0102:
    case 0x1003:
    case 0x1102: return Buffer.from(bytesOf(obj, item)).toString('hex');
    default: return undefined;
    }
}

// A count, each value's offset, then the UTF-16LE values.
function stringsOf(bytes) {
    const b = Buffer.from(bytes);
    const count = b.readUInt32LE(0);
    const out = [];
    for (let i = 0; i < count; ++i) {
        const begin = b.readUInt32LE(4 + 4 * i);
        const end = i + 1 < count ? b.readUInt32LE(8 + 4 * i) : b.length;
        out.push(b.toString('utf16le', begin, end));
    }
    return out;
}

function dumpProps(obj) {
    const items = [...obj.pstTableItems.entries()].sort((a, b) => a[0] - b[0]);
    for (const [id, item] of items) {
        if (item.entryValueType === 0x101f) {
            const values = stringsOf(bytesOf(obj, item)).map(escape);
            console.log(['values', keyOf(id), ...values].join('\t'));
            continue;
        }
        const v = valueOf(obj, id, item);
        if (v !== undefined) console.log(`prop\t${keyOf(id)}\t${escape(v)}`);
    }
}

function dumpAttachments(item) {
    for (let i = 0; i < item.numberOfAttachments; ++i) {
        const a = item.getAttachment(i);
        const stream = a.fileInputStream;
        const bytes = Buffer.alloc(stream ? stream.length.toNumber() : 0);
        if (stream) stream.readCompletely(bytes);
        const photo = a.pstTableItems.get(0x7fff);
        console.log(['attachment', escape(a.longFilename), escape(a.mimeTag), photo && photo.entryValueReference & 0xff ? 1 : 0,
                     bytes.toString('hex')].join('\t'));
    }
}

function walk(folder, path) {
    console.log(`folder\t${escape(path)}\t${folder.contentCount}`);
    for (let item = folder.getNextChild(); item; item = folder.getNextChild()) {
        console.log(`item\t${escape(path)}`);
        dumpProps(item);
        dumpAttachments(item);
    }
    if (folder.hasSubfolders)
        for (const child of folder.getSubFolders()) walk(child, path + '\\' + child.displayName);
}

const file = new PSTFile(process.argv[2]);
console.log(`store\t${escape(file.getMessageStore().displayName)}`);
walk(file.getRootFolder(), '');
