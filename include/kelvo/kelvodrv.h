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

/* Register identification: runs it for the current command (1 = identified),
 * clears what is known about the register, and switches the register number
 * check of the identity commands on (nonzero, the initial state) or off. */
KELVODRV_API unsigned char OdczytanieTypuUrzadzenia(void);
KELVODRV_API void ZerowanieSzczegolowychDanychOTypieUrzadzenia(void);
KELVODRV_API void SygnalizowanieBleduWeryfikacjiNumeruUrzadzenia(unsigned char on);

/* Keeping the port open between commands: nonzero keeps the link that the
 * next command opens; 0 closes a link that was kept open. */
KELVODRV_API void UstawieniePozostawiacOtwartyPortSzeregowy(unsigned char keepOpen);
KELVODRV_API void StdUstawieniePozostawiacOtwartyPortSzeregowy(unsigned char keepOpen);

/* Fiscal memory records kept across runs, one file per register under
 * $XDG_CACHE_HOME/kelvor (else ~/.cache/kelvor): nonzero switches keeping on
 * for the commands that follow, 0 (the initial state) off. Kept records are
 * used only after some of them were read again and matched; reports are the
 * same either way. UsunieciePamieciRekordow identifies the register of the
 * input file's configuration line and deletes its file. */
KELVODRV_API void UstawieniePamieciRekordow(unsigned char on);
KELVODRV_API unsigned char UsunieciePamieciRekordow(const char *input);

/* What the last command did with the kept records that its caller should
 * know, as Windows-1250 text in the caller's buffer of 1024 bytes (empty
 * when nothing): kept records dropped because one differed from the
 * register (the report was then read again without them), a file or folder
 * that was not used and why, or what UsunieciePamieciRekordow removed. */
KELVODRV_API void OdczytanieUwagiPamieciRekordow(char *text);

/* Progress of reading the fiscal memory: after each record it reads, the driver calls the
 * function with the context given here, the records read so far in the current command and
 * the highest record index the command will read (0 while that is not known). A null
 * function switches it off. It is called on the thread that runs the command. */
typedef void (*FunkcjaPostepuOdczytu)(void *context, uint32_t recordsRead, uint32_t highestIndex);
KELVODRV_API void UstawienieFunkcjiPostepuOdczytu(FunkcjaPostepuOdczytu function, void *context);

/* Asks the command running on another thread to stop before the next fiscal memory record it
 * would read: it closes its files and the port as after any error and returns 124. A request
 * made while no command runs is forgotten when the next command starts. */
KELVODRV_API void PrzerwanieOdczytu(void);

/* The accountant's figures of the last periodic report command (X000028X or
 * X000035X) this process ran, written as UTF-8 JSON to the file at path (a
 * full write, then renamed over the old file): per currency section and per
 * tax rate the net, VAT and gross, with the JPK_V7 fields of an "RO"
 * document. Returns 0; 125 when the last periodic report command failed or
 * none ran, 3 for an empty path, 17 when the file cannot be written. Not to
 * be called while a command runs on another thread. */
KELVODRV_API unsigned char ZapisZestawieniaKsiegowego(const char *path);

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

/* Port layer: serial and parallel ports. Ports are named COMn and LPTn; on
 * Linux COMn is the device in $KELVO_COM<n>, else the COM<n>= line of the
 * port map file, else /dev/ttyS<n-1>. Time-outs are in seconds except where
 * the name says milliseconds. */
KELVODRV_API int32_t pInitializeAnyPort(const char *deviceName, unsigned char portNumber, unsigned char cts, uint32_t speed,
    unsigned char parity, uint32_t stopBits, uint32_t byteSize, uint32_t writeTimeout, uint32_t readTimeout);
KELVODRV_API int32_t SetSerialParameters(void);
KELVODRV_API int32_t pInitializePort(unsigned char portNumber, uint32_t speed, uint32_t writeTimeout, uint32_t readTimeout,
    unsigned char parity);
KELVODRV_API int32_t InitializePort(unsigned char portNumber, uint32_t speed, uint32_t writeTimeout, uint32_t readTimeout);
KELVODRV_API int32_t pInitializeLPTPort(unsigned char portNumber, uint32_t speed, uint32_t writeTimeout, uint32_t readTimeout);
KELVODRV_API int32_t UnInitializePort(void);
KELVODRV_API unsigned char MsSetTimeouts(uint32_t writeTimeoutMs, uint32_t readTimeoutMs);
KELVODRV_API int32_t UstawCTS(unsigned char cts);
KELVODRV_API int32_t ClearPort(void);
KELVODRV_API unsigned char ChangeParity(unsigned char parity);
KELVODRV_API unsigned char ChangeSpeedWinseria(uint32_t speed);
KELVODRV_API unsigned char WriteBytes(const unsigned char *buffer, uint32_t count);
KELVODRV_API unsigned char WriteByte(unsigned char byte);
KELVODRV_API unsigned char ReadByte(unsigned char *byte);
KELVODRV_API unsigned char ModemStatus(void);
KELVODRV_API int32_t SetDTRLine(void);
KELVODRV_API int32_t ClearDTRLine(void);
KELVODRV_API int32_t SetRTSLine(void);
KELVODRV_API int32_t ClearRTSLine(void);
KELVODRV_API unsigned char CharSent(void);
KELVODRV_API unsigned char UstawKanalWinseria(unsigned char channel);
KELVODRV_API int32_t SetComSelector(unsigned char selector);
KELVODRV_API int32_t GetComSelector(unsigned char *selector);
KELVODRV_API int32_t GetCOMNumber(unsigned char selector, unsigned char *portNumber);
KELVODRV_API int32_t GetCOMHandle(unsigned char selector);
KELVODRV_API int32_t GetSpeed(unsigned char selector);
KELVODRV_API unsigned char SerialPortPresent(unsigned char portNumber);
KELVODRV_API int32_t SetPortDelay(unsigned char milliseconds);
/* The address as dotted text, or empty text; the text stays valid until the next call. */
KELVODRV_API const char *PIPAdress(unsigned char portNumber);

#ifdef __cplusplus
}
#endif

#endif
