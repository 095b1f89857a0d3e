/* The driver's interface used from C through the public header alone. */
#include <kelvo/kelvodrv.h>

#include <stdio.h>
#include <string.h>
#include <unistd.h>

static int passed;
static int failed;

#define CHECK(condition)                                                        \
    do {                                                                        \
        if (condition) {                                                        \
            ++passed;                                                           \
        } else {                                                                \
            ++failed;                                                           \
            fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
        }                                                                       \
    } while (0)

static void files(void)
{
    char path[64];
    snprintf(path, sizeof path, "abi-test-%ld.txt", (long)getpid());
    int handle = 0;
    CHECK(OtwartoPlik(&handle, path, 1) == 1);
    CHECK(handle >= 0);
    CHECK(ZapisanoDoPlikuLinie(handle, "#1\tnaglowek") == 1);
    CHECK(ZapisanoDoPlikuLinie(handle, ";komentarz") == 1);
    CHECK(ZapisanoDoPlikuLinieDanych(handle, "12\t\tx") == 1);
    ZamknieciePliku(&handle);
    CHECK(handle == -1);

    char line[1024];
    char field[1024];
    unsigned char wrongKind = 7;
    CHECK(OtwartoPlik(&handle, path, 0) == 1);
    CHECK(Moje_feof(handle) == 0);
    CHECK(OdczytanoZPlikuLinieNaglowka(handle, line, &wrongKind) == 1 && wrongKind == 0);
    CHECK(strcmp(line, "1\tnaglowek") == 0);
    CHECK(OdczytanoZPlikuLinieDanych(handle, line, &wrongKind) == 1);
    CHECK(strcmp(line, "12\t\tx") == 0);
    CHECK(IleZnakowOddzielajacychDaneZawieraNapis(line) == 2);
    CHECK(NapisZawieraDana(line, 3, field) == 1 && strcmp(field, "x") == 0);
    CHECK(NapisZawieraDana(line, 2, field) == 0);
    CHECK(NapisZawieraDanaLubPustyString(line, 2, field) == 1 && field[0] == '\0');
    CHECK(OdczytanoZPlikuKonkretnaLinie(handle, '$', line, &wrongKind) == 0 && wrongKind == 0);
    CHECK(Moje_feof(handle) == 1);
    ZamknieciePliku(&handle);
    unlink(path);
}

static void validators(void)
{
    unsigned char six[6];
    unsigned char eight[8];
    uint32_t value = 0;
    unsigned char byte = 0;
    unsigned char decimals = 0;
    CHECK(PoprawnaLiczbaSzesciobajtowaDec(" 258 ", six) == 1 && six[0] == 2 && six[1] == 1);
    CHECK(PoprawnaLiczbaSzesciobajtowaHex("$FF", six) == 1 && six[0] == 0xFF);
    CHECK(PoprawnaLiczbaSzesciobajtowaWCudzyslowie("'AB'", six) == 1 && six[0] == 'A' && six[1] == 'B');
    CHECK(PoprawnaLiczbaSzesciobajtowa("0FFH", six) == 1 && six[0] == 0xFF);
    CHECK(PoprawnaLiczbaTypuLong("4294967295", &value) == 1 && value == 4294967295u);
    CHECK(PoprawnaLiczbaZPodanegoZakresu("99", 1, 99, &value) == 1 && value == 99);
    CHECK(PoprawnaLiczbaZPodanegoZakresu("100", 1, 99, &value) == 0);
    CHECK(PoprawnaLiczbaTypuWord("65536", &value) == 0);
    CHECK(PoprawnaLiczbaTypuByte("255", &byte) == 1 && byte == 255);
    CHECK(PoprawnaLiczbaHEXTypuByte("1f", &byte) == 1 && byte == 31);
    CHECK(PoprawnaLiczbaTypuBoolean("t", &byte) == 1 && byte == 1);
    CHECK(PoprawnaLiczbaOsmiobajtowa("2 55", eight) == 1 && eight[0] == 255);
    CHECK(PoprawnaLiczbaZmiennoprzecinkowa("12,50", &value, &decimals, 1) == 1 && value == 125 && decimals == 1);
    CHECK(PoprawnyNapisOpisujacyParzystosc("even", &byte) == 1 && byte == 2);
    CHECK(ZnakJestCyfra('7', &byte) == 1 && byte == 7);
    CHECK(ZnakJestKropkaLubPrzecinkiem(',') == 1);
}

static void textHelpers(void)
{
    char text[1024];
    ZerowanieNapisu(text);
    CHECK(text[0] == '\0' && text[1023] == '\0');
    DolaczenieZnakuDoNapisu(text, 'b');
    DolaczenieNapisuDoZnaku(text, 'a');
    DolaczenieSpacjiDoNapisu(text);
    DolaczenieNapisuDoSpacji(text);
    CHECK(JednakoweNapisy(text, " ab ") == 1);
    CHECK(JednakoweNapisy(text, " AB ") == 0);
}

static void countProgress(void *context, uint32_t recordsRead, uint32_t highestIndex)
{
    (void)recordsRead;
    (void)highestIndex;
    ++*(int *)context;
}

/* Setting the progress function reads no record: it is only called from a command; and a
 * stop asked for while no command runs calls nothing either. */
static void readProgress(void)
{
    int calls = 0;
    FunkcjaPostepuOdczytu function = countProgress;
    UstawienieFunkcjiPostepuOdczytu(function, &calls);
    PrzerwanieOdczytu();
    UstawienieFunkcjiPostepuOdczytu(NULL, NULL);
    CHECK(calls == 0);
}

/* Before any periodic report there are no figures to write: the file is not made. */
static void reportFigures(void)
{
    const char *path = "figures-before-any-report.json";
    remove(path);
    CHECK(ZapisZestawieniaKsiegowego(path) == 125);
    CHECK(fopen(path, "r") == NULL);
}

int main(void)
{
    files();
    validators();
    textHelpers();
    readProgress();
    reportFigures();
    printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
