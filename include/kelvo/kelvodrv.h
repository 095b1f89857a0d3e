/*
 * kelvodrv: the fiscal cash register driver's C interface.
 *
 * Booleans and bytes are unsigned char (1 = true); long and word values are
 * uint32_t; six- and eight-byte numbers are stored least significant byte
 * first. Every text buffer a caller passes in or out is 1024 bytes (at most
 * 1023 characters and a terminating NUL); no function writes past it.
 * Texts are Windows-1250 byte strings.
 */
#ifndef KELVO_KELVODRV_H
#define KELVO_KELVODRV_H

#include <stdint.h>

#if defined(KELVODRV_BUILDING)
#define KELVODRV_API __attribute__((visibility("default")))
#else
#define KELVODRV_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Driver commands. Each returns its result code, 0 on success. The input
 * argument may hold "input;output;parameter-list" names separated by ';'. */
KELVODRV_API unsigned char ONrKasy(const char *input, const char *output);
KELVODRV_API unsigned char ONrUnik(const char *input, const char *output);
KELVODRV_API unsigned char OStatus(const char *input, const char *output);
KELVODRV_API unsigned char KDBarkod(const char *input);
KELVODRV_API unsigned char X000028X(const char *input, const char *output);
KELVODRV_API unsigned char X000029X(const char *input, const char *output);
KELVODRV_API unsigned char X000030X(const char *input);
KELVODRV_API unsigned char X000031X(const char *input, const char *output);
KELVODRV_API unsigned char X000033X(const char *input, const char *output);
KELVODRV_API unsigned char X000035X(const char *input, const char *output);

/* Text files: header ('#'), data ('$') and comment (';') lines. */
KELVODRV_API unsigned char OtwartoPlik(int *handle, const char *name, unsigned char mode);
KELVODRV_API void ZamknieciePliku(int *handle);
KELVODRV_API unsigned char Moje_feof(int handle);
KELVODRV_API unsigned char OdczytanoZPlikuKonkretnaLinie(int handle, unsigned char sign, char *line, unsigned char *wrongKind);
KELVODRV_API unsigned char OdczytanoZPlikuLinieDanych(int handle, char *line, unsigned char *wrongKind);
KELVODRV_API unsigned char OdczytanoZPlikuLinieNaglowka(int handle, char *line, unsigned char *wrongKind);
KELVODRV_API unsigned char ZapisanoDoPlikuLinie(int handle, const char *text);
KELVODRV_API unsigned char ZapisanoDoPlikuNaglowek(int handle);
KELVODRV_API unsigned char ZapisanoDoPlikuLinieDanych(int handle, const char *text);
KELVODRV_API unsigned char NapisZawieraDana(const char *line, unsigned char k, char *field);
KELVODRV_API unsigned char NapisZawieraDanaLubPustyString(const char *line, unsigned char k, char *field);
KELVODRV_API unsigned char IleZnakowOddzielajacychDaneZawieraNapis(const char *line);

/* Field validators. */
KELVODRV_API unsigned char PoprawnaLiczbaSzesciobajtowaDec(const char *text, unsigned char out[6]);
KELVODRV_API unsigned char PoprawnaLiczbaSzesciobajtowaHex(const char *text, unsigned char out[6]);
KELVODRV_API unsigned char PoprawnaLiczbaSzesciobajtowaWCudzyslowie(const char *text, unsigned char out[6]);
KELVODRV_API unsigned char PoprawnaLiczbaSzesciobajtowa(const char *text, unsigned char out[6]);
KELVODRV_API unsigned char PoprawnaLiczbaTypuLong(const char *text, uint32_t *out);
KELVODRV_API unsigned char PoprawnaLiczbaZPodanegoZakresu(const char *text, uint32_t minimum, uint32_t maximum, uint32_t *out);
KELVODRV_API unsigned char PoprawnaLiczbaTypuWord(const char *text, uint32_t *out);
KELVODRV_API unsigned char PoprawnaLiczbaTypuByte(const char *text, unsigned char *out);
KELVODRV_API unsigned char PoprawnaLiczbaHEXTypuByte(const char *text, unsigned char *out);
KELVODRV_API unsigned char PoprawnaLiczbaTypuBoolean(const char *text, unsigned char *out);
KELVODRV_API unsigned char PoprawnaLiczbaOsmiobajtowa(const char *text, unsigned char out[8]);
KELVODRV_API unsigned char PoprawnaLiczbaZmiennoprzecinkowa(const char *text, uint32_t *scaled, unsigned char *decimals, unsigned char stripZeros);
KELVODRV_API unsigned char PoprawnyNapisOpisujacyParzystosc(const char *text, unsigned char *parity);
KELVODRV_API unsigned char ZnakJestCyfra(char c, unsigned char *digit);
KELVODRV_API unsigned char ZnakJestKropkaLubPrzecinkiem(char c);

/* Text helpers, in place on 1024-byte buffers. */
KELVODRV_API unsigned char JednakoweNapisy(const char *a, const char *b);
KELVODRV_API void ZerowanieNapisu(char *text);
KELVODRV_API void DolaczenieZnakuDoNapisu(char *text, char c);
KELVODRV_API void DolaczenieNapisuDoZnaku(char *text, char c);
KELVODRV_API void DolaczenieSpacjiDoNapisu(char *text);
KELVODRV_API void DolaczenieNapisuDoSpacji(char *text);

#ifdef __cplusplus
}
#endif

#endif
