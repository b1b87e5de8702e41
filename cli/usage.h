// What `ferrywell-cli --help` prints.
#pragma once

namespace cli {

inline constexpr const char* kUsageText =
    "usage: ferrywell-cli analyse DB\n"
    "       ferrywell-cli list DB FOLDER\n"
    "       ferrywell-cli export DB --as KIND --to DIR [--folders NAME[,NAME...]] [OPTIONS]\n"
    "       ferrywell-cli export DB --as profile --profile-folder '\\\\Store\\Folder' [--folders ...] [OPTIONS]\n"
    "       ferrywell-cli export DB --as KIND --to DIR --folder NAME --items NO[,NO...]|all [OPTIONS]\n"
    "       ferrywell-cli export DB --as carddav --to URL --user NAME [--folders ...] [OPTIONS]\n"
    "       ferrywell-cli --help | --version\n";

inline constexpr const char* kHelpText =
    "\n"
    "Kinds: pst, profile, msg, html, txt, doc, rtf, mhtml, pdf, vcf, csv, carddav\n"
    "       (doc and mhtml only without --folder/--items)\n"
    "Options:\n"
    "  --naming PATTERN        Subject, Date+Subject, From+Date+Subject, Subject+Date+From, Subject+Date,\n"
    "                          'File As' (each file named after the contact: Last, First)\n"
    "  --split SIZE            pst only: 1GB..5GB, or a number with KB, MB or GB\n"
    "  --filter-start 'YYYY-MM-DD HH:MM:SS' --filter-end 'YYYY-MM-DD HH:MM:SS'\n"
    "  --with-attachments      with the filter: only contacts that have attachments\n"
    "  --skip-saved            leave what an earlier export of the database saved there and has not\n"
    "                          changed since; continue its PST file or RecoverData folder (found by\n"
    "                          what they hold; exit status 5 when one cannot be continued)\n"
    "  --wait                  when another export is writing into the destination (or the profile),\n"
    "                          wait for it to finish instead of stopping with exit status 5\n"
    "  --user NAME             carddav: the user name; the password comes from FERRYWELL_PASSWORD\n"
    "                          or the ~/.netrc entry for the host, never from the command line\n"
    "  --ca-file FILE          carddav: trust the CA certificates in FILE, not the system's (a private CA)\n"
    "  --overwrite             carddav: replace contacts changed or deleted on the server since\n"
    "  --address-book NAME     carddav, when URL is the server's or the user's: which address book\n"
    "Output: the export log on stdout, then 'Written: N, skipped: S, failed: F'.\n"
    "Exit status: 0 done; 1 some contacts not written (or stopped, or the disk full); 2 usage;\n"
    "             3 not a contact database;\n"
    "             4 the database cannot be opened or read; 5 the destination or the profile cannot be used\n"
    "             (or another export is writing into it);\n"
    "             6 an unexpected error (its text on stderr).\n";

}  // namespace cli
