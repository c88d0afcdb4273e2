/* The whole-process yardstick of bench/whole_process.sh: a plain C program on libepub
 * (libepub-dev) that opens each book named on its command line and prints its title, creator
 * and language, one line per book, as a small reader written straight on that library would. */
#include <epub.h>
#include <stdio.h>
#include <stdlib.h>

static void printMetadata(struct epub* book, enum epub_metadata type) {
    int size = 0;
    unsigned char** values = epub_get_metadata(book, type, &size);
    for (int i = 0; i < size; ++i) {
        fputs((const char*)values[i], stdout);
        free(values[i]);
    }
    free(values);
    putchar('\t');
}

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        struct epub* book = epub_open(argv[i], 0);
        if (!book) {
            printf("%s\tunreadable\n", argv[i]);
            continue;
        }
        printMetadata(book, EPUB_TITLE);
        printMetadata(book, EPUB_CREATOR);
        printMetadata(book, EPUB_LANG);
        printf("%s\n", argv[i]);
        epub_close(book);
    }
    return 0;
}
