#!/usr/bin/env node
// Prints the properties @kenjiuno/msgreader reads from an MSG file, one a
// line: prop <TAB> key <TAB> value, with keys and values as pst-dump.js
// writes them (numeric named properties as "lid:8005", string-named ones as
// "name:Keywords"). The reader hands multi-valued texts over as their raw
// streams; they are printed as values <TAB> key <TAB> value <TAB> value ...,
// read from the length stream and the value streams msgreader's own
// compound file reader lists. Then each attachment: attachment <TAB> file
// name <TAB> MIME type <TAB> contact photo (1 or 0) <TAB> bytes in hex.
'use strict';
const fs = require('fs');
const MsgReader = require('@kenjiuno/msgreader').default;

const escape = (s) => String(s).replace(/\\/g, '\\\\').replace(/\t/g, '\\t').replace(/\n/g, '\\n').replace(/\r/g, '\\r');

function valueOf(p) {
    const v = p.value;
    if (v === undefined || v === null) return undefined;
    if (v instanceof Date) return undefined;
    if (v instanceof Uint8Array || v instanceof ArrayBuffer || Array.isArray(v)) return Buffer.from(v).toString('hex');
    if (typeof v === 'boolean') return v ? 1 : 0;
    return v;
}

const reader = new MsgReader(fs.readFileSync(process.argv[2]));
reader.parserConfig = { includeRawProps: true };
const data = reader.getFileData();
if (data.error) {
    console.error(data.error);
    process.exit(1);
}
function keyOf(id) {
    if (id < 0x8000) return id.toString(16).padStart(4, '0');
    const named = reader.privatePidToKeyed[id];
    if (!named) return 'id:' + id.toString(16);
    return named.useName ? 'name:' + named.name : 'lid:' + (named.propertyLid >>> 0).toString(16).padStart(4, '0');
}

for (const p of data.rawProps || []) {
    const v = valueOf(p);
    if (v === undefined || !p.propertyTag || p.propertyTag.slice(4) === '101f') continue;
    console.log(`prop\t${keyOf(parseInt(p.propertyTag.slice(0, 4), 16))}\t${escape(v)}`);
}

const streams = new Map();
for (const f of reader.reader.rootFolder().fileNameSets()) streams.set(f.name.toUpperCase(), f);
for (const [name, f] of streams) {
    const m = /^__SUBSTG1\.0_([0-9A-F]{4})101F$/.exec(name);
    if (!m) continue;
    const lengths = Buffer.from(f.provider());
    const values = [];
    for (let i = 0; i + 4 <= lengths.length; i += 4) {
        const value = streams.get(`${name}-${(i / 4).toString(16).toUpperCase().padStart(8, '0')}`);
        if (!value) break;
        values.push(escape(Buffer.from(value.provider()).toString('utf16le').replace(/\0+$/, '')));
    }
    console.log(['values', keyOf(parseInt(m[1], 16)), ...values].join('\t'));
}

for (const a of data.attachments || []) {
    const content = reader.getAttachment(a).content;
    console.log(['attachment', escape(a.fileName), escape(a.attachMimeTag || ''), (a.rawProps || []).some((p) => p.propertyTag === '7fff000b' && p.value) ? 1 : 0,
                 Buffer.from(content).toString('hex')].join('\t'));
}
