[playlist]
NumberOfEntries=2
File1=http://@HOST@/nincs-ilyen
File2=http://@HOST@/mp3
Version=2
