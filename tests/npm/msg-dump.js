#!/usr/bin/env node
// Prints the properties @kenjiuno/msgreader reads from an MSG file, one a
// line: prop <TAB> key <TAB> value, with keys and values as pst-dump.js
// writes them (numeric named properties as "lid:8005").
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
for (const p of data.rawProps || []) {
    const v = valueOf(p);
    if (v === undefined || !p.propertyTag) continue;
    const id = p.propertyTag.slice(0, 4);
    const key = parseInt(id, 16) >= 0x8000 && p.propertyLid ? 'lid:' + p.propertyLid.slice(4) : id;
    console.log(`prop\t${key}\t${escape(v)}`);
}
