# An ordinary Unicode ODBC client reads every table of the demo's DB2 database: one line per
# row, each value with its Python type. Run by the WideClient tests when python3-pyodbc is there.
import sys

import pyodbc

connection = pyodbc.connect(sys.argv[1] + ";LongDataCompat=1")
cursor = connection.cursor()
tables = [row.table_name for row in cursor.tables(schema="ADMIN", tableType="TABLE")]
for table in tables:
    cursor.execute('SELECT * FROM "%s"' % table)
    for row in cursor.fetchall():
        print(table, " | ".join("%s %s" % (type(v).__name__, v) for v in row))
