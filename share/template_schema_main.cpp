// Writes the template database's CREATE statements to the file named by its argument;
// the build feeds them to the sqlite3 shell to make FileMode/default.mdb.
#include <fstream>
#include <iostream>

#include "files/database_schema.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: tarvo_template_schema OUT.sql\n";
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << tarvo::sqliteSchemaScript();
    out.close();
    return out ? 0 : 1;
}
