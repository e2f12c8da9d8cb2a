<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_CA">
<context>
    <name>ExportTypes</name>
    <message>
        <source>Current Column(*.txt)</source>
        <translation>Colonne courante(*.txt)</translation>
    </message>
    <message>
        <source>Any File</source>
        <translation>Tous les fichiers</translation>
    </message>
</context>
<context>
    <name>FieldLabel</name>
    <message>
        <source>RecNo</source>
        <translation>N°</translation>
    </message>
    <message>
        <source>Company ID</source>
        <translation>No d&apos;entreprise</translation>
    </message>
    <message>
        <source>Company Name</source>
        <translation>Nom de l&apos;entreprise</translation>
    </message>
    <message>
        <source>Mailing Address</source>
        <translation>Adresse postale</translation>
    </message>
    <message>
        <source>Mailing Address Postal</source>
        <translation>Code postal (adresse postale)</translation>
    </message>
    <message>
        <source>Location Address</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>Location Address Postal</source>
        <translation>Code postal</translation>
    </message>
    <message>
        <source>Legal Name</source>
        <translation>Raison sociale</translation>
    </message>
    <message>
        <source>Telephone</source>
        <translation>Téléphone</translation>
    </message>
    <message>
        <source>Toll Free Phone</source>
        <translation>Sans frais</translation>
    </message>
    <message>
        <source>Fax</source>
        <translation>Télécopieur</translation>
    </message>
    <message>
        <source>Email</source>
        <translation>Courriel</translation>
    </message>
    <message>
        <source>Website URL</source>
        <translation>Site Web</translation>
    </message>
    <message>
        <source>Market Alliances</source>
        <translation>Alliances commerciales</translation>
    </message>
    <message>
        <source>Market Strategic Alliances</source>
        <translation>Alliances stratégiques</translation>
    </message>
    <message>
        <source>Company Description</source>
        <translation>Présentation de l&apos;entreprise</translation>
    </message>
    <message>
        <source>Country of Ownership</source>
        <translation>Pays de propriété</translation>
    </message>
    <message>
        <source>Exporting</source>
        <translation>Exportation</translation>
    </message>
    <message>
        <source>EDI Ready</source>
        <translation>Prête pour l&apos;EDI</translation>
    </message>
    <message>
        <source>Primary Industry NAICS</source>
        <translation>Industrie principale (SCIAN)</translation>
    </message>
    <message>
        <source>NAICS Description</source>
        <translation>Description SCIAN</translation>
    </message>
    <message>
        <source>Primary Business Activity</source>
        <translation>Activité principale</translation>
    </message>
    <message>
        <source>Quality Certification</source>
        <translation>Certification de qualité</translation>
    </message>
    <message>
        <source>Total Sales Unit</source>
        <translation>Unité des ventes totales</translation>
    </message>
    <message>
        <source>Total Sales</source>
        <translation>Ventes totales</translation>
    </message>
    <message>
        <source>Export Sales Unit</source>
        <translation>Unité des ventes à l&apos;exportation</translation>
    </message>
    <message>
        <source>Export Sales</source>
        <translation>Ventes à l&apos;exportation</translation>
    </message>
    <message>
        <source>Total Plant Size</source>
        <translation>Superficie des installations</translation>
    </message>
    <message>
        <source>Distribution of Employees</source>
        <translation>Répartition des employés</translation>
    </message>
    <message>
        <source>Key Major Clients</source>
        <translation>Principaux clients</translation>
    </message>
    <message>
        <source>TelAreaCode</source>
        <translation>Indicatif régional</translation>
    </message>
    <message>
        <source>Year Established</source>
        <translation>Année de fondation</translation>
    </message>
    <message>
        <source>Number of Employees</source>
        <translation>Nombre d&apos;employés</translation>
    </message>
    <message>
        <source>Profile ID</source>
        <translation>No de profil</translation>
    </message>
    <message>
        <source>Company_ID</source>
        <translation>No d&apos;entreprise</translation>
    </message>
    <message>
        <source>Company_Name</source>
        <translation>Nom de l&apos;entreprise</translation>
    </message>
    <message>
        <source>Location_Address</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>Record_ID</source>
        <translation>No de fiche</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titre</translation>
    </message>
    <message>
        <source>Area</source>
        <translation>Secteur</translation>
    </message>
</context>
<context>
    <name>Message</name>
    <message>
        <source>Unknown error.</source>
        <translation>Erreur inconnue.</translation>
    </message>
    <message>
        <source>&quot;Number of Employees&quot; needs a whole number.</source>
        <translation>« Nombre d&apos;employés » demande un nombre entier.</translation>
    </message>
    <message>
        <source>&quot;Year Established&quot; needs a whole number.</source>
        <translation>« Année de fondation » demande un nombre entier.</translation>
    </message>
    <message>
        <source>It is not an Access database, or its first page is damaged.</source>
        <translation>Ce n&apos;est pas une base de données Access, ou sa première page est endommagée.</translation>
    </message>
    <message>
        <source>Its list of tables cannot be read.</source>
        <translation>Sa liste de tables ne peut pas être lue.</translation>
    </message>
    <message>
        <source>The imported copy cannot be written.</source>
        <translation>La copie importée ne peut pas être écrite.</translation>
    </message>
    <message>
        <source>Could not find file &apos;%1&apos;.</source>
        <translation>Fichier « %1 » introuvable.</translation>
    </message>
    <message>
        <source>Unrecognized database format &apos;%1&apos;.</source>
        <translation>Format de base de données non reconnu : « %1 ».</translation>
    </message>
    <message>
        <source>It cannot be read: %1.</source>
        <translation>Il ne peut pas être lu : %1.</translation>
    </message>
    <message>
        <source>It cannot be examined: %1.</source>
        <translation>Il ne peut pas être examiné : %1.</translation>
    </message>
    <message>
        <source>No temporary file can be made for its copy: %1.</source>
        <translation>Aucun fichier temporaire ne peut être créé pour sa copie : %1.</translation>
    </message>
    <message>
        <source>Its imported copy is incomplete.</source>
        <translation>Sa copie importée est incomplète.</translation>
    </message>
    <message>
        <source>The reader cannot be started: %1.</source>
        <translation>Le lecteur ne peut pas être lancé : %1.</translation>
    </message>
    <message>
        <source>The reader %1 cannot be started: %2.</source>
        <translation>Le lecteur %1 ne peut pas être lancé : %2.</translation>
    </message>
    <message>
        <source>Reading it took longer than %1 seconds.</source>
        <translation>Sa lecture a duré plus de %1 secondes.</translation>
    </message>
    <message>
        <source>Reading it needed more than %1 MB of memory.</source>
        <translation>Sa lecture a demandé plus de %1 Mo de mémoire.</translation>
    </message>
    <message>
        <source>Reading it stopped at damaged data.</source>
        <translation>Sa lecture s&apos;est arrêtée sur des données endommagées.</translation>
    </message>
    <message>
        <source>The reader ended without saying why (status %1).</source>
        <translation>Le lecteur s&apos;est arrêté sans dire pourquoi (état %1).</translation>
    </message>
    <message>
        <source>Cannot write &apos;%1&apos;: no file name.</source>
        <translation>Impossible d&apos;écrire « %1 » : aucun nom de fichier.</translation>
    </message>
    <message>
        <source>Cannot export to &apos;%1&apos;: it is the directory Orbisk is searching.</source>
        <translation>Impossible d&apos;exporter vers « %1 » : c&apos;est le répertoire que consulte Orbisk.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is a folder.</source>
        <translation>« %1 » est un dossier.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is a device.</source>
        <translation>« %1 » est un périphérique.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is a FIFO.</source>
        <translation>« %1 » est un tube nommé (FIFO).</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a regular file.</source>
        <translation>« %1 » n&apos;est pas un fichier ordinaire.</translation>
    </message>
    <message>
        <source>Cannot write &apos;%1&apos;: %2.</source>
        <translation>Impossible d&apos;écrire « %1 » : %2.</translation>
    </message>
    <message>
        <source>Cannot write &apos;%1&apos;: %2</source>
        <translation>Impossible d&apos;écrire « %1 » : %2</translation>
    </message>
    <message>
        <source>Cannot create &apos;%1&apos;: %2</source>
        <translation>Impossible de créer « %1 » : %2</translation>
    </message>
    <message>
        <source>Cannot replace &apos;%1&apos;: %2</source>
        <translation>Impossible de remplacer « %1 » : %2</translation>
    </message>
    <message>
        <source>Cannot read &apos;%1&apos;: %2</source>
        <translation>Impossible de lire « %1 » : %2</translation>
    </message>
    <message>
        <source>Template file not found: %1</source>
        <translation>Modèle introuvable : %1</translation>
    </message>
    <message>
        <source>Unknown export type.</source>
        <translation>Type d&apos;exportation inconnu.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid integer value</source>
        <translation>« %1 » n&apos;est pas un nombre entier valide</translation>
    </message>
    <message>
        <source>Not Find Detail Block!</source>
        <translation>Bloc de détail introuvable!</translation>
    </message>
    <message>
        <source>Not Find Master Block!</source>
        <translation>Bloc principal introuvable!</translation>
    </message>
    <message>
        <source>Template token is not end with --&gt;</source>
        <translation>Une balise du modèle ne se termine pas par --&gt;</translation>
    </message>
    <message>
        <source>Template token head is too long</source>
        <translation>L&apos;en-tête d&apos;une balise du modèle est trop long</translation>
    </message>
    <message>
        <source>Not enough memory to finish this work. Close other programs or search for fewer rows.</source>
        <translation>Pas assez de mémoire pour terminer ce travail. Fermez d&apos;autres programmes ou cherchez moins de lignes.</translation>
    </message>
    <message>
        <source>The reader ended unexpectedly (signal %1).</source>
        <translation>Le lecteur s&apos;est arrêté de façon inattendue (signal %1).</translation>
    </message>
    <message>
        <source>The reader tried to reach another file, which it may not do.</source>
        <translation>Le lecteur a tenté d&apos;atteindre un autre fichier, ce qui lui est interdit.</translation>
    </message>
    <message>
        <source>Its imported copy would be larger than %1 MB.</source>
        <translation>Sa copie importée dépasserait %1 Mo.</translation>
    </message>
</context>
<context>
    <name>ResultColumns</name>
    <message>
        <source>RecNo</source>
        <translation>N°</translation>
    </message>
    <message>
        <source>Company Name</source>
        <translation>Nom de l&apos;entreprise</translation>
    </message>
    <message>
        <source>Telephone</source>
        <translation>Téléphone</translation>
    </message>
    <message>
        <source>Toll Free Phone</source>
        <translation>Sans frais</translation>
    </message>
    <message>
        <source>Email</source>
        <translation>Courriel</translation>
    </message>
    <message>
        <source>Website URL</source>
        <translation>Site Web</translation>
    </message>
    <message>
        <source>Year Established</source>
        <translation>Année de fondation</translation>
    </message>
    <message>
        <source>Number of Employees</source>
        <translation>Nombre d&apos;employés</translation>
    </message>
    <message>
        <source>Postal Code</source>
        <translation>Code postal</translation>
    </message>
    <message>
        <source>Location Address</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>Exporting</source>
        <translation>Exportation</translation>
    </message>
    <message>
        <source>Tel Area Code</source>
        <translation>Indicatif régional</translation>
    </message>
    <message>
        <source>Fax</source>
        <translation>Télécopieur</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titre</translation>
    </message>
    <message>
        <source>Area</source>
        <translation>Secteur</translation>
    </message>
</context>
<context>
    <name>TAbout_Frm</name>
    <message>
        <source> KB</source>
        <translation> Ko</translation>
    </message>
    <message>
        <source>About Orbisk </source>
        <translation>À propos d&apos;Orbisk </translation>
    </message>
    <message>
        <source>Version  1.0</source>
        <translation>Version  1.0</translation>
    </message>
    <message>
        <source>Home Page</source>
        <translation>Page d&apos;accueil</translation>
    </message>
    <message>
        <source>Online Support</source>
        <translation>Soutien en ligne</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Memory Available to Windows:</source>
        <translation>Mémoire totale du système :</translation>
    </message>
    <message>
        <source>Free Memory to Windows:</source>
        <translation>Mémoire libre du système :</translation>
    </message>
    <message>
        <source>Product Picture</source>
        <translation>Image du produit</translation>
    </message>
</context>
<context>
    <name>TComanyCat_Dlg</name>
    <message>
        <source>Company Category </source>
        <translation>Catégorie d&apos;entreprise </translation>
    </message>
    <message>
        <source>Main Categary</source>
        <translation>Catégorie principale</translation>
    </message>
    <message>
        <source>RecNo</source>
        <translation>N°</translation>
    </message>
    <message>
        <source>Categary Name</source>
        <translation>Nom de la catégorie</translation>
    </message>
    <message>
        <source>Sub Categaries</source>
        <translation>Sous-catégories</translation>
    </message>
    <message>
        <source>Sub Categary Name</source>
        <translation>Nom de la sous-catégorie</translation>
    </message>
    <message>
        <source>Sub Level</source>
        <translation>Niveau</translation>
    </message>
    <message>
        <source>MainCat</source>
        <translation>CatPrinc</translation>
    </message>
    <message>
        <source>Cat%1</source>
        <translation>Caté%1</translation>
    </message>
    <message>
        <source>Filter sub-categories</source>
        <translation>Filtrer les sous-catégories</translation>
    </message>
    <message>
        <source>Shows the sub-categories whose name holds this text</source>
        <translation>Affiche les sous-catégories dont le nom contient ce texte</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Selected: </source>
        <translation>Choisie : </translation>
    </message>
    <message>
        <source>(none)</source>
        <translation>(aucune)</translation>
    </message>
    <message>
        <source>Sub-category filter</source>
        <translation>Filtre des sous-catégories</translation>
    </message>
</context>
<context>
    <name>TCompany_Dlg</name>
    <message>
        <source>Actively Pursuing</source>
        <translation>Recherche active</translation>
    </message>
    <message>
        <source>Export Experience</source>
        <translation>Expérience de l&apos;exportation</translation>
    </message>
    <message>
        <source>Market Interests</source>
        <translation>Marchés visés</translation>
    </message>
    <message>
        <source>Company Information</source>
        <translation>Renseignements sur l&apos;entreprise</translation>
    </message>
    <message>
        <source>Details</source>
        <translation>Détails</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Présentation</translation>
    </message>
    <message>
        <source>Email</source>
        <translation>Courriel</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titre</translation>
    </message>
    <message>
        <source>Area</source>
        <translation>Secteur</translation>
    </message>
    <message>
        <source>Telephone</source>
        <translation>Téléphone</translation>
    </message>
    <message>
        <source>Fax</source>
        <translation>Télécopieur</translation>
    </message>
    <message>
        <source>Contact</source>
        <translation>Personne-ressource</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Nature</translation>
    </message>
    <message>
        <source>Exporting</source>
        <translation>Exportation</translation>
    </message>
    <message>
        <source>Product/Service</source>
        <translation>Produit/service</translation>
    </message>
    <message>
        <source>Contacts</source>
        <translation>Personnes-ressources</translation>
    </message>
    <message>
        <source>Products and Services</source>
        <translation>Produits et services</translation>
    </message>
</context>
<context>
    <name>TContact_Dlg</name>
    <message>
        <source>Contact</source>
        <translation>Personne-ressource</translation>
    </message>
    <message>
        <source>Contact Details</source>
        <translation>Détails de la personne-ressource</translation>
    </message>
</context>
<context>
    <name>TDBGrid</name>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Copier</translation>
    </message>
    <message>
        <source>Copy with &amp;titles</source>
        <translation>Copier avec les &amp;titres</translation>
    </message>
    <message>
        <source>Send &amp;e-mail</source>
        <translation>Envoyer un &amp;courriel</translation>
    </message>
    <message>
        <source>Open &amp;web page</source>
        <translation>Ouvrir la page &amp;Web</translation>
    </message>
    <message>
        <source>&amp;Export...</source>
        <translation>E&amp;xporter...</translation>
    </message>
</context>
<context>
    <name>TExportType_Dlg</name>
    <message>
        <source>Select Export Type</source>
        <translation>Choisir le type d&apos;exportation</translation>
    </message>
    <message>
        <source>Export Type</source>
        <translation>Type d&apos;exportation</translation>
    </message>
    <message>
        <source>Output File Name</source>
        <translation>Fichier de sortie</translation>
    </message>
    <message>
        <source>Open it after saving</source>
        <translation>L&apos;ouvrir après l&apos;enregistrement</translation>
    </message>
    <message>
        <source>Choose the output file</source>
        <translation>Choisir le fichier de sortie</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Annuler</translation>
    </message>
</context>
<context>
    <name>TMain_Frm</name>
    <message>
        <source>Ready</source>
        <translation>Prêt</translation>
    </message>
    <message>
        <source>Query Company</source>
        <translation>Chercher des entreprises</translation>
    </message>
    <message>
        <source>Query Contact</source>
        <translation>Chercher des personnes-ressources</translation>
    </message>
    <message>
        <source>Export to Excel</source>
        <translation>Exporter vers Excel</translation>
    </message>
    <message>
        <source>Hide/Show Search Panel</source>
        <translation>Masquer/afficher le panneau de recherche</translation>
    </message>
    <message>
        <source>About...</source>
        <translation>À propos...</translation>
    </message>
    <message>
        <source>&amp;Export</source>
        <translation>E&amp;xporter</translation>
    </message>
    <message>
        <source>Product Home Page</source>
        <translation>Page d&apos;accueil du produit</translation>
    </message>
    <message>
        <source>&amp;Search Company</source>
        <translation>Chercher &amp;entreprises</translation>
    </message>
    <message>
        <source>Search &amp;Contact</source>
        <translation>Chercher &amp;contacts</translation>
    </message>
    <message>
        <source>&amp;Export...</source>
        <translation>E&amp;xporter...</translation>
    </message>
    <message>
        <source>&amp;About...</source>
        <translation>À &amp;propos...</translation>
    </message>
    <message>
        <source>I want more...</source>
        <translation>J&apos;en veux plus...</translation>
    </message>
    <message>
        <source>Want more special business directories? </source>
        <translation>D&apos;autres répertoires d&apos;entreprises spécialisés? </translation>
    </message>
    <message>
        <source>Business Database Provider</source>
        <translation>Fournisseur de bases de données d&apos;entreprises</translation>
    </message>
    <message>
        <source>Company List</source>
        <translation>Entreprises</translation>
    </message>
    <message>
        <source>Contact List</source>
        <translation>Personnes-ressources</translation>
    </message>
    <message>
        <source>Exporting...</source>
        <translation>Exportation...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Exported %1 of %2 rows...</source>
        <translation>%1 lignes exportées sur %2...</translation>
    </message>
    <message>
        <source>Exported %1 rows; %2 rows could not be written.</source>
        <translation>%1 lignes exportées; %2 lignes n&apos;ont pas pu être écrites.</translation>
    </message>
    <message>
        <source>Exported Successfully!</source>
        <translation>Exportation réussie!</translation>
    </message>
    <message>
        <source>Directory: </source>
        <translation>Répertoire : </translation>
    </message>
    <message>
        <source>Company &amp;details</source>
        <translation>&amp;Détails de l&apos;entreprise</translation>
    </message>
    <message>
        <source>C&amp;ontact</source>
        <translation>&amp;Personne-ressource</translation>
    </message>
    <message>
        <source>Loading the directory...</source>
        <translation>Chargement du répertoire...</translation>
    </message>
    <message>
        <source>Current Record: </source>
        <translation>Fiche courante : </translation>
    </message>
    <message>
        <source>Records Count: </source>
        <translation>Nombre de fiches : </translation>
    </message>
    <message>
        <source>There is no list to export yet: run a search first.</source>
        <translation>Il n&apos;y a pas encore de liste à exporter : lancez d&apos;abord une recherche.</translation>
    </message>
    <message>
        <source>Choose Category</source>
        <translation>Choisir la catégorie</translation>
    </message>
    <message>
        <source>Result Pages</source>
        <translation>Pages de résultats</translation>
    </message>
    <message>
        <source>Searching the directory...</source>
        <translation>Recherche dans le répertoire...</translation>
    </message>
</context>
<context>
    <name>TMap_Frm</name>
    <message>
        <source>Canada Map</source>
        <translation>Carte du Canada</translation>
    </message>
    <message>
        <source>Puts &quot;%1&quot; into Location</source>
        <translation>Met « %1 » dans Lieu</translation>
    </message>
    <message>
        <source>Puts &quot;%1&quot; into Tel Area Code</source>
        <translation>Met « %1 » dans Indicatif régional</translation>
    </message>
</context>
<context>
    <name>TSearchPanel_Frm</name>
    <message>
        <source>Search Condition</source>
        <translation>Critères de recherche</translation>
    </message>
    <message>
        <source>Only Show &amp;Top</source>
        <translation>&amp;Limiter à</translation>
    </message>
    <message>
        <source>All</source>
        <translation>Tous</translation>
    </message>
    <message>
        <source>Records</source>
        <translation>fiches</translation>
    </message>
    <message>
        <source>Ignore accents (&amp;Quebec = Québec)</source>
        <translation>Ignorer les accents (&amp;Quebec = Québec)</translation>
    </message>
    <message>
        <source>Location, Company Name, Product/Service and the category filter find letters with or without accents: Montreal finds Montréal</source>
        <translation>Lieu, Nom de l&apos;entreprise, Produit/service et le filtre des catégories trouvent les lettres avec ou sans accents : Montreal trouve Montréal</translation>
    </message>
    <message>
        <source>Cate&amp;gory</source>
        <translation>Caté&amp;gorie</translation>
    </message>
    <message>
        <source>&amp;Location</source>
        <translation>Lie&amp;u</translation>
    </message>
    <message>
        <source>Tel Area Co&amp;de</source>
        <translation>&amp;Indicatif régional</translation>
    </message>
    <message>
        <source>Map...</source>
        <translation>Carte...</translation>
    </message>
    <message>
        <source>Canada Map</source>
        <translation>Carte du Canada</translation>
    </message>
    <message>
        <source>&amp;Postal Code</source>
        <translation>Code p&amp;ostal</translation>
    </message>
    <message>
        <source>Company &amp;Name</source>
        <translation>&amp;Nom de l&apos;entreprise</translation>
    </message>
    <message>
        <source>(Key word or Initial)</source>
        <translation>(mot clé ou initiale)</translation>
    </message>
    <message>
        <source>P&amp;roduct/Service</source>
        <translation>P&amp;roduit/service</translation>
    </message>
    <message>
        <source>(Key word)</source>
        <translation>(mot clé)</translation>
    </message>
    <message>
        <source>Number of E&amp;mployees</source>
        <translation>Nombre d&apos;e&amp;mployés</translation>
    </message>
    <message>
        <source>&amp;Year Established</source>
        <translation>&amp;Année de fondation</translation>
    </message>
    <message>
        <source>With Website &amp;URL</source>
        <translation>Avec site &amp;Web</translation>
    </message>
    <message>
        <source>&amp;Order By</source>
        <translation>Or&amp;dre de tri</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Aucun</translation>
    </message>
    <message>
        <source>Company Name</source>
        <translation>Nom de l&apos;entreprise</translation>
    </message>
    <message>
        <source>Telephone</source>
        <translation>Téléphone</translation>
    </message>
    <message>
        <source>Email</source>
        <translation>Courriel</translation>
    </message>
    <message>
        <source>Number of Employees</source>
        <translation>Nombre d&apos;employés</translation>
    </message>
    <message>
        <source>Year Established</source>
        <translation>Année de fondation</translation>
    </message>
    <message>
        <source>&amp;With Company Email</source>
        <translation>Avec courriel d&apos;entrepri&amp;se</translation>
    </message>
    <message>
        <source>With Contact Ema&amp;il</source>
        <translation>Avec courriel de con&amp;tact</translation>
    </message>
    <message>
        <source>Only for Contact Query</source>
        <translation>Seulement pour la recherche de personnes-ressources</translation>
    </message>
    <message>
        <source>Use Only Show Top</source>
        <translation>Utiliser N&apos;afficher que les premiers</translation>
    </message>
    <message>
        <source>Only Show Top</source>
        <translation>N&apos;afficher que les premiers</translation>
    </message>
    <message>
        <source>Use Category</source>
        <translation>Utiliser Catégorie</translation>
    </message>
    <message>
        <source>Category operator</source>
        <translation>Opérateur de Catégorie</translation>
    </message>
    <message>
        <source>Category</source>
        <translation>Catégorie</translation>
    </message>
    <message>
        <source>Choose Category</source>
        <translation>Choisir la catégorie</translation>
    </message>
    <message>
        <source>Use Location</source>
        <translation>Utiliser Lieu</translation>
    </message>
    <message>
        <source>Location operator</source>
        <translation>Opérateur de Lieu</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Lieu</translation>
    </message>
    <message>
        <source>Use Tel Area Code</source>
        <translation>Utiliser Indicatif régional</translation>
    </message>
    <message>
        <source>Tel Area Code operator</source>
        <translation>Opérateur d&apos;Indicatif régional</translation>
    </message>
    <message>
        <source>Tel Area Code</source>
        <translation>Indicatif régional</translation>
    </message>
    <message>
        <source>Use Postal Code</source>
        <translation>Utiliser Code postal</translation>
    </message>
    <message>
        <source>Postal Code operator</source>
        <translation>Opérateur de Code postal</translation>
    </message>
    <message>
        <source>Postal Code</source>
        <translation>Code postal</translation>
    </message>
    <message>
        <source>Use Company Name</source>
        <translation>Utiliser Nom de l&apos;entreprise</translation>
    </message>
    <message>
        <source>Company Name operator</source>
        <translation>Opérateur de Nom de l&apos;entreprise</translation>
    </message>
    <message>
        <source>Use Product/Service</source>
        <translation>Utiliser Produit/service</translation>
    </message>
    <message>
        <source>Product/Service operator</source>
        <translation>Opérateur de Produit/service</translation>
    </message>
    <message>
        <source>Product/Service</source>
        <translation>Produit/service</translation>
    </message>
    <message>
        <source>Use Number of Employees</source>
        <translation>Utiliser Nombre d&apos;employés</translation>
    </message>
    <message>
        <source>Number of Employees operator</source>
        <translation>Opérateur de Nombre d&apos;employés</translation>
    </message>
    <message>
        <source>Use Year Established</source>
        <translation>Utiliser Année de fondation</translation>
    </message>
    <message>
        <source>Year Established operator</source>
        <translation>Opérateur d&apos;Année de fondation</translation>
    </message>
    <message>
        <source>Order By</source>
        <translation>Ordre de tri</translation>
    </message>
</context>
</TS>
