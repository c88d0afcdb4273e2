// Writes the starting corpus of every fuzz target:
//   fuzz_seeds FOLDER   ->  FOLDER/fuzz_package_documents/*, FOLDER/fuzz_epub_file/*  and
//                           FOLDER/fuzz_parsers_agree/* (each document alone, and documents
//                           on the edges where pugixml and libxml2 differ)
// Small, well-formed books in a few shapes (EPUB 2 with NCX, namespaces and entities, a DOCTYPE,
// nested navigation points, a book without NCX), each as split documents and as a whole file.
#include <QDir>
#include <QFile>
#include <cstdio>

#include "fuzz_support.h"

namespace {

const QByteArray kContainer =
    "<?xml version='1.0'?><container version='1.0' "
    "xmlns='urn:oasis:names:tc:opendocument:xmlns:container'><rootfiles>"
    "<rootfile full-path='OEBPS/content.opf' media-type='application/oebps-package+xml'/>"
    "</rootfiles></container>";

QByteArray opf(const QByteArray& metadata, const QByteArray& extra = {}) {
    return "<?xml version='1.0' encoding='utf-8'?>\n" + extra +
           "<package xmlns='http://www.idpf.org/2007/opf' version='2.0' unique-identifier='id'>"
           "<metadata xmlns:dc='http://purl.org/dc/elements/1.1/' "
           "xmlns:opf='http://www.idpf.org/2007/opf'>" +
           metadata +
           "</metadata><manifest><item id='ncx' href='toc.ncx' "
           "media-type='application/x-dtbncx+xml'/><item id='c1' href='Text/c1.xhtml'/>"
           "<item id='c2' href='Text/c2.xhtml'/><item id='cover' href='Images/cover.jpg'/>"
           "</manifest><spine toc='ncx'><itemref idref='c1'/><itemref idref='c2'/>"
           "<itemref idref='c1'/></spine><guide><reference type='cover' href='Text/c1.xhtml'/>"
           "</guide></package>";
}

const QByteArray kMetadata =
    "<dc:title>Egri csillagok &amp; mások</dc:title><dc:creator opf:role='aut'>Gárdonyi Géza"
    "</dc:creator><dc:language>hu</dc:language><dc:subject>Regény</dc:subject>"
    "<dc:identifier id='id' opf:scheme='ISBN'>9789630000000</dc:identifier>"
    "<dc:date>1901</dc:date><dc:description>&lt;p&gt;Leírás&lt;/p&gt;</dc:description>"
    "<meta name='calibre:series' content='Klasszikusok'/>"
    "<meta name='calibre:series_index' content='2'/><meta name='cover' content='cover'/>";

QByteArray ncx(const QByteArray& points) {
    return "<?xml version='1.0' encoding='utf-8'?>\n<ncx "
           "xmlns='http://www.daisy.org/z3986/2005/ncx/' version='2005-1'><head>"
           "<meta name='dtb:uid' content='x'/></head><docTitle><text>T</text></docTitle>"
           "<navMap>" +
           points + "</navMap></ncx>";
}

const QByteArray kPoints =
    "<navPoint id='p1' playOrder='1'><navLabel><text>Első</text></navLabel>"
    "<content src='Text/c1.xhtml'/><navPoint id='p2' playOrder='2'><navLabel><text>"
    "Második &#x151;</text></navLabel><content src='Text/c2.xhtml#s1'/></navPoint></navPoint>";

bool write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: fuzz_seeds FOLDER\n", stderr);
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    const QString split = root.filePath(QStringLiteral("fuzz_package_documents"));
    const QString whole = root.filePath(QStringLiteral("fuzz_epub_file"));
    const QString single = root.filePath(QStringLiteral("fuzz_parsers_agree"));
    if (!QDir().mkpath(split) || !QDir().mkpath(whole) || !QDir().mkpath(single)) return 1;

    struct Seed {
        QByteArray container, opf, ncx;
    };
    const Seed seeds[] = {
        {kContainer, opf(kMetadata), ncx(kPoints)},
        {kContainer, opf("<dc:title>T &AMP; &unknown; & x</dc:title>"), ncx({})},
        {kContainer,
         opf("<dc:title><![CDATA[c]]><!-- c --></dc:title>",
             "<!DOCTYPE package [<!ENTITY e 'x'>]>"),
         ncx(kPoints + kPoints)},
        {kContainer, opf(kMetadata).replace("<spine toc='ncx'>", "<spine>"), {}},
    };
    int number = 0;
    for (const Seed& seed : seeds) {
        ++number;
        const QByteArray joined = seed.container + fuzzsupport::kSeparator + seed.opf +
                                  fuzzsupport::kSeparator + seed.ncx;
        const QString name = QStringLiteral("seed%1").arg(number);
        if (!write(QDir(split).filePath(name), joined) ||
            !write(QDir(whole).filePath(name),
                   fuzzsupport::epubArchive(seed.container, seed.opf, seed.ncx)) ||
            !write(QDir(single).filePath(name + QStringLiteral("-opf")), seed.opf) ||
            !write(QDir(single).filePath(name + QStringLiteral("-ncx")), seed.ncx))
            return 1;
    }
    // Where pugixml alone would accept, or would read otherwise.
    const QByteArray edges[] = {
        kContainer,
        "<a x='1' x='2'/>",
        "<a/><b/>",
        "<a/>text",
        "\xEF\xBB\xBF<?xml version='1.0' encoding='ISO-8859-2' standalone='no'?><r>\xC5\x91</r>",
        "<?xml version='1.1'?><r/>",
        " <?xml version='1.0'?><r/>",
        "<r><!-- a -- b --><!-- c ---></r>",
        "<r>a ]]> b</r>",
        "<r a='<'/>",
        "<r a='1'b='2'/>",
        "<r xmlns:a='u' a:x='1' xmlns:b='u' b:x='2' xmlns:a='v'/>",
        "<r>&#32;<b/>&#xd;\r\n<c a=' \t\r\n&#10;'/></r>",
        "<r><?xml x?><?pi  data ?><?p?></r>",
        "<!DOCTYPE r [<!ENTITY e '<r/>'>]><r>&e;</r><!DOCTYPE s>",
        "<r>\x01</r>",
        "<r>\xED\xA0\x80</r>",
        "<x:y:z xmlns:x='u'><:a/><a:/></x:y:z>",
    };
    for (const QByteArray& edge : edges) {
        ++number;
        if (!write(QDir(single).filePath(QStringLiteral("edge%1").arg(number)), edge)) return 1;
    }
    return 0;
}
