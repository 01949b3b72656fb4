"""What the tables of scripts/bench.sh share: medians of a column of runs,
and Markdown tables."""
import statistics


def column_median(rows, k):
    """The median of field k of the rows (the mean of the middle two of an
    even count)."""
    return statistics.median(row[k] for row in rows)


def markdown_table(header, rows, right, padded=True):
    """The lines of a Markdown table; right[i] says that column i is
    right-aligned. Padded, every column is as wide as its widest cell, as the
    bench driver prints its own tables; otherwise the cells are set as they
    are."""
    table = [header, *rows]
    if any(len(row) != len(right) for row in table):
        raise ValueError("every row of a table wants a cell for each column")
    if not padded:
        lines = ["| " + " | ".join(row) + " |" for row in table]
        lines.insert(1, "|" + "|".join("---:" if r else "---" for r in right) + "|")
        return lines
    widths = [max(len(row[i]) for row in table) for i in range(len(right))]

    def line(row):
        return "|" + "".join(f" {cell:>{w}} |" if r else f" {cell:<{w}} |"
                             for cell, w, r in zip(row, widths, right))

    lines = [line(row) for row in table]
    lines.insert(1, "|" + "".join("-" * (w + 1) + (":" if r else "-") + "|"
                                  for w, r in zip(widths, right)))
    return lines
