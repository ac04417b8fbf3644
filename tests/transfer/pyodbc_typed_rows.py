# An ordinary Unicode ODBC client reads the tables named on the command line: for each, one
# JSON line with its key columns, its indexes and its rows, every value tagged with the type
# the client got (I integer, F float, D decimal, B boolean, d date, t time, T timestamp,
# S text, X bytes in hex).
import json
import sys

import pyodbc


def tagged(value):
    if value is None:
        return None
    if isinstance(value, (bool, Boolean)):
        return "B:%d" % (value.on if isinstance(value, Boolean) else value)
    if isinstance(value, int):
        return "I:%d" % value
    if isinstance(value, float):
        return "F:%r" % value
    if isinstance(value, (bytes, bytearray)):
        return "X:" + value.hex().upper()
    if isinstance(value, str):
        return "S:" + value
    kind = type(value).__name__
    if kind == "Decimal":
        return "D:" + str(value)
    if kind == "datetime":
        return "T:" + value.isoformat(sep=" ")
    if kind == "date":
        return "d:" + value.isoformat()
    if kind == "time":
        return "t:" + value.isoformat()
    return "?:" + repr(value)


class Boolean:
    """A BOOLEAN value: pyodbc hands a column of Db2's SQL_BOOLEAN (16) over as its bytes."""

    def __init__(self, raw):
        self.on = raw not in (b"0", b"\x00", b"")


connection = pyodbc.connect(sys.argv[1] + ";LongDataCompat=1")
connection.add_output_converter(16, lambda raw: None if raw is None else Boolean(raw))
cursor = connection.cursor()
for table in sys.argv[2:]:
    key = [row.column_name for row in cursor.primaryKeys(table=table, schema="ADMIN")]
    indexes = sorted({row.index_name for row in cursor.statistics(table=table, schema="ADMIN")
                      if row.index_name and row.non_unique})
    cursor.execute('SELECT * FROM "%s"' % table.replace('"', '""'))
    types = [d[1].__name__ for d in cursor.description]
    rows = [[tagged(v) for v in row] for row in cursor.fetchall()]
    print(json.dumps({"table": table, "key": key, "indexes": indexes, "types": types,
                      "rows": rows}))
