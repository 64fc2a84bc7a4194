#include "reportfile.h"

#include <QStringList>
#include <vector>

QString ReportFile::extension(const QString &type)
{
    const QString t = type.toLower();
    if (t == QLatin1String("doc") || t == QLatin1String("xls"))
        return t;
    return QStringLiteral("pdf");
}

const char *ReportFile::contentType(const QString &type)
{
    const QString ext = extension(type);
    if (ext == QLatin1String("doc"))
        return "application/msword";
    if (ext == QLatin1String("xls"))
        return "application/vnd.ms-excel";
    return "application/pdf";
}

QByteArray ReportFile::make(const Info &info)
{
    const QString ext = extension(info.type);
    if (ext == QLatin1String("doc"))
        return rtf(info);
    if (ext == QLatin1String("xls"))
        return spreadsheet(info);
    return pdf(info);
}

static QByteArray pdfText(const QString &text)
{
    QByteArray hex("<");
    for (const QChar c : text)
        hex.append(QByteArray::number(c.unicode() | 0x10000, 16).mid(1).toUpper());
    hex.append('>');
    return hex;
}

QByteArray ReportFile::pdf(const Info &info)
{
    const int pages = qBound(1, info.pages, 60);
    std::vector<QByteArray> objects;
    // 1 catalog, 2 page tree, 3 font, 4 CID font, 5 descriptor, then a page and its content each.
    QByteArray kids;
    for (int p = 0; p < pages; ++p)
        kids += QByteArray::number(6 + 2 * p) + " 0 R ";
    objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages) + " >>");
    objects.push_back("<< /Type /Font /Subtype /Type0 /BaseFont /STSong-Light /Encoding /UniGB-UCS2-H "
                      "/DescendantFonts [4 0 R] >>");
    objects.push_back("<< /Type /Font /Subtype /CIDFontType0 /BaseFont /STSong-Light "
                      "/CIDSystemInfo << /Registry (Adobe) /Ordering (GB1) /Supplement 2 >> "
                      "/FontDescriptor 5 0 R /DW 1000 /W [1 95 500] >>");
    objects.push_back("<< /Type /FontDescriptor /FontName /STSong-Light /Flags 6 /FontBBox [-25 -254 1000 880] "
                      "/ItalicAngle 0 /Ascent 880 /Descent -120 /CapHeight 880 /StemV 93 >>");
    for (int p = 0; p < pages; ++p) {
        QStringList lines;
        if (p == 0) {
            lines << info.institution << info.publishDate << info.analysts << QString()
                  << QStringLiteral("本文件为样本数据，仅供测试使用。");
        } else {
            lines << QStringLiteral("正文") << QStringLiteral("本页为样本内容。");
        }
        lines << QString() << QStringLiteral("第 %1 页，共 %2 页").arg(p + 1).arg(pages);
        QByteArray content = "BT /F1 16 Tf 50 780 Td " + pdfText(p == 0 ? info.title : info.title.left(30)) + " Tj ET\n";
        int y = 740;
        for (const QString &line : qAsConst(lines)) {
            if (!line.isEmpty())
                content += "BT /F1 11 Tf 50 " + QByteArray::number(y) + " Td " + pdfText(line) + " Tj ET\n";
            y -= 20;
        }
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 3 0 R >> >> "
                          "/Contents " + QByteArray::number(7 + 2 * p) + " 0 R >>");
        objects.push_back("<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content + "endstream");
    }

    QByteArray out("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
    std::vector<int> offsets;
    for (size_t k = 0; k < objects.size(); ++k) {
        offsets.push_back(out.size());
        out += QByteArray::number(int(k + 1)) + " 0 obj\n" + objects[k] + "\nendobj\n";
    }
    const int xref = out.size();
    out += "xref\n0 " + QByteArray::number(int(objects.size() + 1)) + "\n0000000000 65535 f \n";
    for (int off : offsets)
        out += QByteArray::number(off).rightJustified(10, '0') + " 00000 n \n";
    out += "trailer\n<< /Size " + QByteArray::number(int(objects.size() + 1)) + " /Root 1 0 R >>\nstartxref\n"
           + QByteArray::number(xref) + "\n%%EOF\n";
    return out;
}

static QByteArray rtfText(const QString &text)
{
    QByteArray out;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += char(u);
        } else if (u >= 0x20 && u < 0x80) {
            out += char(u);
        } else {
            out += "\\u" + QByteArray::number(qint16(u)) + '?';
        }
    }
    return out;
}

QByteArray ReportFile::rtf(const Info &info)
{
    QByteArray out = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 SimSun;}}\n";
    out += "\\f0\\fs32 " + rtfText(info.title) + "\\par\n\\fs22 ";
    out += rtfText(info.institution) + "\\par\n" + rtfText(info.publishDate) + "\\par\n" + rtfText(info.analysts) + "\\par\n";
    out += rtfText(QStringLiteral("本文件为样本数据，仅供测试使用。")) + "\\par\n}\n";
    return out;
}

static QString xmlText(QString text)
{
    text.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    text.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    text.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    return text;
}

QByteArray ReportFile::spreadsheet(const Info &info)
{
    QString rows;
    const QStringList cells = {info.title, info.institution, info.publishDate, info.analysts};
    for (const QString &cell : cells)
        rows += QStringLiteral("<Row><Cell><Data ss:Type=\"String\">%1</Data></Cell></Row>\n").arg(xmlText(cell));
    for (int year = 2016; year <= 2018; ++year) {
        rows += QStringLiteral("<Row><Cell><Data ss:Type=\"Number\">%1</Data></Cell><Cell><Data ss:Type=\"Number\">%2</Data></Cell></Row>\n")
                    .arg(year)
                    .arg(double(info.id % 97 + year - 2000) / 10.0);
    }
    const QString xml = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<?mso-application progid=\"Excel.Sheet\"?>\n"
        "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\" "
        "xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\">\n"
        "<Worksheet ss:Name=\"Sheet1\"><Table>\n%1</Table></Worksheet>\n</Workbook>\n").arg(rows);
    return xml.toUtf8();
}
