[playlist]
NumberOfEntries=1
File1=http://@HOST@/mp3
Title1=Teszt Rádió MP3
Length1=-1
Version=2
